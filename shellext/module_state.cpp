#include "module_state.h"

namespace {

HMODULE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;

}  // namespace

void SetModuleHandle(HMODULE module) { g_module = module; }
HMODULE ModuleHandle() { return g_module; }

const CApp& ModuleApp() {
  // Function-local statics are initialised once even when threads race; a throw leaves it for the
  // next call to try again.
  static const CApp app(g_module);
  return app;
}

void ObjectCreated() { ::InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { ::InterlockedDecrement(&g_objects); }
void LockModule() { ::InterlockedIncrement(&g_locks); }
void UnlockModule() {
  // An unbalanced LockServer(FALSE) must not leave the count below zero, which would keep the
  // library loaded for good.
  for (LONG n = ::InterlockedCompareExchange(&g_locks, 0, 0); n > 0;) {
    LONG seen = ::InterlockedCompareExchange(&g_locks, n - 1, n);
    if (seen == n) break;
    n = seen;
  }
}

bool ModuleInUse() {
  // Interlocked reads: another thread may be changing either count.
  return ::InterlockedCompareExchange(&g_objects, 0, 0) != 0 || ::InterlockedCompareExchange(&g_locks, 0, 0) != 0;
}
