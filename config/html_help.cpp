#include "html_help.h"

#include <shlwapi.h>

#include "text.h"

namespace {

constexpr const wchar_t* kControlKey = L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr WORD kHtmlHelpOrdinal = 15;

HMODULE LoadFrom(const std::wstring& path) {
  // A full path; its own dependencies are looked for beside it, not beside our program.
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

std::wstring SystemLibrary(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  UINT n = ::GetSystemDirectoryW(folder, ARRAYSIZE(folder));
  if (n == 0 || n >= ARRAYSIZE(folder)) return {};
  return JoinPath(folder, name);
}

}  // namespace

std::wstring RegisteredHtmlHelpLibrary() {
  CRegKey key;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, kControlKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return {};
  wchar_t value[MAX_PATH] = {};
  DWORD type = 0;
  DWORD size = sizeof value - sizeof(wchar_t);  // room for a terminator the value may lack
  if (::RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
    return {};
  std::wstring path;
  if (type == REG_SZ) {
    path = value;
  } else if (type == REG_EXPAND_SZ) {
    wchar_t expanded[MAX_PATH] = {};
    DWORD n = ::ExpandEnvironmentStringsW(value, expanded, ARRAYSIZE(expanded));
    if (n == 0 || n > ARRAYSIZE(expanded)) return {};
    path = expanded;
  }
  // A bare or relative name would be searched for in our own folder first.
  if (path.empty() || ::PathIsRelativeW(path.c_str())) return {};
  return path;
}

void CHtmlHelp::Load() {
  state_ = State::Failed;
  std::wstring registered = RegisteredHtmlHelpLibrary();
  if (!registered.empty()) module_.Reset(LoadFrom(registered));
  if (!module_) {
    // The system's own library, from the system folder only: a bare name would find a library
    // planted beside our program first.
    std::wstring system = SystemLibrary(L"hhctrl.ocx");
    if (!system.empty()) module_.Reset(LoadFrom(system));
  }
  if (!module_) return;
  function_ = reinterpret_cast<HtmlHelpFunction>(
      reinterpret_cast<void*>(::GetProcAddress(module_.Get(), MAKEINTRESOURCEA(kHtmlHelpOrdinal))));
  if (!function_) {
    module_.Reset();
    return;
  }
  state_ = State::Loaded;
}

HWND CHtmlHelp::Call(HWND caller, const std::wstring& file, UINT command, DWORD_PTR data) {
  if (state_ == State::NotLoaded) Load();
  if (state_ != State::Loaded) return nullptr;
  return function_(caller, file.c_str(), command, data);
}
