#pragma once
// The named events by which the configuration program and the resident host signal each other.
// Opening one that does not exist (file-not-found) is how a side learns the other is absent.
#include <windows.h>

#include "errors.h"
#include "handles.h"

constexpr const wchar_t* kReadyEventName = L"TavrinoEvent_Ready";
constexpr const wchar_t* kStopEventName = L"TavrinoEvent_Stop";
constexpr const wchar_t* kRestartEventName = L"TavrinoEvent_Restart";
constexpr const wchar_t* kConfigRunningEventName = L"TavrinoConfigIsRunning";

// Setting or resetting an event failed.
class CEventException : public CSystemError {
public:
  explicit CEventException(DWORD code) : CSystemError(code) {}
};
// Creating a named event failed.
class CEventCreateException : public CEventException {
public:
  explicit CEventCreateException(DWORD code) : CEventException(code) {}
};
// Opening a named event failed for any reason but its absence.
class CEventOpenException : public CEventException {
public:
  explicit CEventOpenException(DWORD code) : CEventException(code) {}
};

// Creates the event (default security, not inherited, not signalled).
CHandle CreateNamedEvent(const wchar_t* name, bool manualReset);
// Opens the event with full access; an empty handle when it does not exist.
CHandle OpenNamedEvent(const wchar_t* name);
void SetNamedEvent(HANDLE event);
void ResetNamedEvent(HANDLE event);
// Tests without waiting.
bool IsEventSignalled(HANDLE event);
// Opens, sets and closes; false when the event does not exist.
bool SignalNamedEvent(const wchar_t* name);
// True while some process holds the event.
bool NamedEventExists(const wchar_t* name);
