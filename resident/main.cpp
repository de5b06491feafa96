#include <windows.h>

#include "resident_host.h"

// Windowless: started by the configuration program or from the Run key, always with "/START".
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  try {
    RunResidentHost(commandLine ? commandLine : L"");
  } catch (...) {
    // Exit code 0 on every path; each stage has shown its own message already.
  }
  return 0;
}
