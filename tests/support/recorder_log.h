#pragma once
// The log of a test stand-in library: one line per call appended to a file beside the library,
// opened and closed each time so that a test can read it while the program still runs.
#include <windows.h>

#include <string>

#include "app.h"
#include "handles.h"
#include "text.h"

inline void AppendBesideModule(HMODULE module, const wchar_t* logName, const std::string& line) {
  std::wstring log = JoinPath(FolderPart(ModuleFileName(module)), logName);
  CFileHandle file(::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::string text = line + "\n";
  DWORD written = 0;
  ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
