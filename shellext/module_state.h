#pragma once
// State of the loaded library: its own module handle, its application object, the counts that
// DllCanUnloadNow consults, and the guard that keeps exceptions inside our COM entry points.
#include <windows.h>

#include <new>

#include "app.h"

// Set once when the library is attached to a process; null in programs that link the core directly.
void SetModuleHandle(HMODULE module);
HMODULE ModuleHandle();

// The library's application object, made from its own module handle on first use, so that the
// folders are the library's and not those of the process that loaded it. Made lazily rather than
// in DllMain: the user-name query may call into the security subsystem, which is not safe under
// the loader lock. May throw (out of memory, a folder path too long).
const CApp& ModuleApp();

// Live handler objects and server locks; both are read by DllCanUnloadNow from any thread.
void ObjectCreated();
void ObjectDestroyed();
void LockModule();
void UnlockModule();
bool ModuleInUse();

// Raises the live-object count for as long as it exists; a handler holds one as its first member,
// so a handler whose construction fails leaves the count as it was.
class CModuleObject {
public:
  CModuleObject() { ObjectCreated(); }
  CModuleObject(const CModuleObject&) = delete;
  CModuleObject& operator=(const CModuleObject&) = delete;
  ~CModuleObject() { ObjectDestroyed(); }
};

// Runs the body of a COM method: no exception leaves it.
template <typename Body>
HRESULT ComGuard(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// The same for the controller's operations, which answer with a boolean.
template <typename Body>
bool BoolGuard(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return false;
  }
}
