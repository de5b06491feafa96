#include <windows.h>

#include "shell_ext_controller.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  GetShellExtController();
  return 0;
}
