#pragma once
// The high-resolution clock the benchmarks time their rounds with.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

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

// Time of one run of `work`.
template <typename F>
double Microseconds(F&& work) {
  double start = NowMicroseconds();
  work();
  return NowMicroseconds() - start;
}

// Sorts the times and prints their median, 90th percentile and minimum; returns the median.
inline double PrintTimes(const char* what, std::vector<double>& t) {
  std::sort(t.begin(), t.end());
  std::printf("%-50s median %8.1f us   p90 %8.1f us   min %8.1f us\n", what, t[t.size() / 2], t[t.size() * 9 / 10], t[0]);
  return t[t.size() / 2];
}
