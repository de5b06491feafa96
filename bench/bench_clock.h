#pragma once
// The high-resolution clock the benchmarks time their rounds with.
#include <windows.h>

inline double NowMicroseconds() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

inline double NowMilliseconds() { return NowMicroseconds() / 1e3; }
