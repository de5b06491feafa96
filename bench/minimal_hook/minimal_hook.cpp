// The floor for what loading the keyboard hook library costs a process: the same toolchain, runtime,
// options and resources, and a hook procedure that only passes every key on.
#include <windows.h>

namespace {

HMODULE g_module = nullptr;

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MinimalKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}
