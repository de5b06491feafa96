#include <windows.h>
#include <objbase.h>

#include "shell_ext_controller.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, void**) { return CLASS_E_CLASSNOTAVAILABLE; }
extern "C" HRESULT __stdcall DllCanUnloadNow() { return S_OK; }
extern "C" IShellExtController* GetShellExtController() { return nullptr; }
