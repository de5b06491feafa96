// Test stand-in for the HTML Help control library. Its one export, at HtmlHelpW's ordinal 15,
// appends each call to help_recorder.log beside the library: the command, whether a caller window
// came, the file and the data. HH_INITIALIZE receives the cookie 24301 through its data pointer.
#include <windows.h>

#include <string>

#include "errors.h"
#include "recorder_log.h"

namespace {

HMODULE g_module = nullptr;
constexpr UINT kInitialize = 28;  // HH_INITIALIZE
constexpr DWORD_PTR kCookie = 24301;

void Record(const std::string& line) { AppendBesideModule(g_module, L"help_recorder.log", line); }

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" HWND WINAPI RecordedHtmlHelpW(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data) {
  std::string line = "command=" + std::to_string(command) + "\tcaller=" + (caller ? "window" : "none") +
                     "\tfile=" + ToUtf8(file ? file : L"(null)") + "\tdata=";
  if (command == kInitialize) {
    line += data ? "address" : "null";
    if (data) *reinterpret_cast<DWORD_PTR*>(data) = kCookie;
  } else {
    line += std::to_string(data);
  }
  Record(line);
  return nullptr;
}
