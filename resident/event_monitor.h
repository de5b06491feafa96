#pragma once
// The event-monitor thread of one hook cycle: it owns the stop and restart events, signals ready
// once they exist, and wakes the main thread with a quit message whose parameter says which fired.
#include <windows.h>

#include <string>

constexpr WPARAM kWakeStop = 0;
constexpr WPARAM kWakeRestart = 1;

// Shared by the main thread and each cycle's monitor. The main thread id comes first: the monitor
// reads it once when it starts.
struct CMonitorLink {
  DWORD mainThreadId = 0;
  // Set by a monitor that ends without arming and leaves the message to the main thread; read by
  // the main thread only after that monitor has ended.
  std::wstring failure;
};

// Starts the monitor with the runtime's thread start and the default stack; a null handle when the
// thread cannot be started.
HANDLE StartEventMonitor(CMonitorLink& link);
