// Opened through a link in the tests: appends one line to link_target.log beside itself and ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH * 4] = {};
  ::GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
  std::wstring log(path);
  log.erase(log.find_last_of(L'\\') + 1).append(L"link_target.log");
  HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(file, "opened\n", 7, &written, nullptr);
    ::CloseHandle(file);
  }
  return 0;
}
