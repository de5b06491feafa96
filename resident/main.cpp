#include <windows.h>

#include "hook_controller.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  GetTavrinoHookController();
  return 0;
}
