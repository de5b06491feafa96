// The library's entry point and its exports; everything behind them lives in the core library.
#include <windows.h>
#include <objbase.h>

#include "class_factory.h"
#include "module_state.h"
#include "shell_ext_controller.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  // Only the handle is kept here; the application object is made on first use (see ModuleApp).
  if (reason == DLL_PROCESS_ATTACH) SetModuleHandle(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  return GetModuleClassObject(clsid, riid, object);
}

STDAPI DllCanUnloadNow() { return CanUnloadModule(); }

extern "C" IShellExtController* GetShellExtController() {
  // Made once, even on concurrent first calls; its constructor cannot fail.
  static CShellExtController controller(ModuleHandle());
  return &controller;
}
