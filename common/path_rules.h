#pragma once
// How Windows reads a file name or a path, so that the commands act on exactly the item named.
// Win32 path handling trims trailing periods and blanks, takes CON or NUL.txt for devices and
// resolves a relative path against the current folder: an item reached through such a path is
// another item. Plain C++ without the window system.
#include <string>
#include <string_view>

// The nine characters a file name cannot hold.
constexpr std::wstring_view kForbiddenFileNameChars = L"\\/:*?\"<>|";
inline bool HasForbiddenFileNameChar(std::wstring_view text) {
  return text.find_first_of(kForbiddenFileNameChars) != std::wstring_view::npos;
}

enum class FileNameProblem {
  None,
  Empty,
  TrailingPeriodOrBlank,  // Windows drops them: "memo." names "memo"
  ReservedDevice,         // CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension
  UnusableCharacter,      // \ / : * ? " < > | or a control character
};

FileNameProblem CheckFileName(std::wstring_view name);
bool IsReservedDeviceName(std::wstring_view name);

// A full path that Windows takes exactly as written: a drive letter ("C:\") or a share
// ("\\server\share") and then only usable names. A root alone counts.
bool IsExactFullPath(std::wstring_view path);
// A drive root or a share root: a path without a last component of its own.
bool IsRootPath(std::wstring_view path);

// The path Windows resolves, for comparing: trailing periods and blanks of the last component trimmed.
std::wstring_view TrimResolvedName(std::wstring_view path);
