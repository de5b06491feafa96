#include "events.h"

CHandle CreateNamedEvent(const wchar_t* name, bool manualReset) {
  CHandle event(::CreateEventW(nullptr, manualReset ? TRUE : FALSE, FALSE, name));
  if (!event) throw CEventCreateException(::GetLastError());
  return event;
}

CHandle OpenNamedEvent(const wchar_t* name) {
  CHandle event(::OpenEventW(EVENT_ALL_ACCESS, FALSE, name));
  if (!event) {
    DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) throw CEventOpenException(error);
  }
  return event;
}

void SetNamedEvent(HANDLE event) {
  if (!::SetEvent(event)) throw CEventException(::GetLastError());
}

void ResetNamedEvent(HANDLE event) {
  if (!::ResetEvent(event)) throw CEventException(::GetLastError());
}

bool IsEventSignalled(HANDLE event) { return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

bool SignalNamedEvent(const wchar_t* name) {
  CHandle event = OpenNamedEvent(name);
  if (!event) return false;
  SetNamedEvent(event.Get());
  return true;
}

bool NamedEventExists(const wchar_t* name) { return static_cast<bool>(OpenNamedEvent(name)); }
