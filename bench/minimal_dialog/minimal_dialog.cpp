// The floor for the configuration program's start: the same runtime, manifest, common controls and
// font, and one modal dialog with nothing behind it.
#include <windows.h>
#include <commctrl.h>

namespace {

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
  ::InitCommonControlsEx(&controls);
  ::DialogBoxParamW(instance, MAKEINTRESOURCEW(100), ::GetActiveWindow(), Procedure, 0);
  return 0;
}
