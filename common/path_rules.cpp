#include "path_rules.h"

#include "text.h"

namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Every component between backslashes, from `start` on, must be a usable name.
bool AllNamesUsable(std::wstring_view path, std::size_t start) {
  while (start <= path.size()) {
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    if (CheckFileName(path.substr(start, end - start)) != FileNameProblem::None) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

bool IsReservedDeviceName(std::wstring_view name) {
  // The device is named by what comes before the first period, blanks at its end ignored.
  std::wstring_view stem = name.substr(0, name.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"})
    if (EqualsAsciiNoCase(stem, device)) return true;
  if (stem.size() != 4) return false;
  if (!EqualsAsciiNoCase(stem.substr(0, 3), L"COM") && !EqualsAsciiNoCase(stem.substr(0, 3), L"LPT")) return false;
  // Superscript digits count as well.
  const wchar_t digit = stem[3];
  return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

FileNameProblem CheckFileName(std::wstring_view name) {
  if (name.empty()) return FileNameProblem::Empty;
  for (wchar_t c : name)
    if (c < 0x20 || kForbiddenFileNameChars.find(c) != std::wstring_view::npos) return FileNameProblem::UnusableCharacter;
  if (name.back() == L'.' || name.back() == L' ') return FileNameProblem::TrailingPeriodOrBlank;
  if (IsReservedDeviceName(name)) return FileNameProblem::ReservedDevice;
  return FileNameProblem::None;
}

bool IsExactFullPath(std::wstring_view path) {
  if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\')
    return path.size() == 3 || AllNamesUsable(path, 3);
  if (path.size() < 2 || path[0] != L'\\' || path[1] != L'\\') return false;
  // Server and share must be usable names too, which also keeps out "\\?\" and "\\.\": they
  // reach devices and skip every rule above.
  std::size_t root = PathRootLength(path);
  std::wstring_view serverAndShare = path.substr(2, root - 2);
  if (serverAndShare.find(L'\\') == std::wstring_view::npos) return false;  // a server without a share
  return AllNamesUsable(serverAndShare, 0) && (root == path.size() || AllNamesUsable(path, root + 1));
}

bool IsRootPath(std::wstring_view path) { return IsExactFullPath(path) && PathRootLength(path) == path.size(); }

std::wstring_view TrimResolvedName(std::wstring_view path) {
  std::size_t root = PathRootLength(path);
  while (path.size() > root && (path.back() == L'.' || path.back() == L' ')) path.remove_suffix(1);
  return path;
}
