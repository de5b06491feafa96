#include "selected_item.h"

#include <shlwapi.h>

#include "path_rules.h"
#include "text.h"

namespace {

// Index where the last component starts; 0 for a path without one of its own (a drive root keeps
// its backslash, as with PathFindFileNameW).
std::size_t LastComponentStart(std::wstring_view path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (path[i - 1] == L'\\' && i < path.size()) return i;
  }
  return 0;
}

// Position of the extension's period in a name, as PathFindExtensionW finds it: the last period
// that no later space follows; npos when there is none.
std::size_t ExtensionStart(std::wstring_view name) {
  std::size_t period = std::wstring_view::npos;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == L'.')
      period = i;
    else if (name[i] == L' ')
      period = std::wstring_view::npos;
  }
  return period;
}

}  // namespace

std::wstring RemoveTrailingBackslash(std::wstring_view rawPath) {
  // A drive root keeps the backslash that makes it a root ("C:" alone is the current folder of C).
  if (rawPath.size() > 1 && rawPath.back() == L'\\' && PathRootLength(rawPath) != rawPath.size())
    rawPath.remove_suffix(1);
  return std::wstring(rawPath);
}

CSelectedItem SplitSelectedPath(std::wstring_view rawPath, bool isFolder) {
  CSelectedItem item;
  item.FullPath = RemoveTrailingBackslash(rawPath);
  item.FolderPath = FolderPart(item.FullPath);
  item.FileName = item.FullPath.substr(LastComponentStart(item.FullPath));
  item.IsFolder = isFolder;
  item.IsRoot = IsRootPath(item.FullPath);
  if (isFolder) {
    item.BaseName = item.FileName;
    return item;
  }
  std::size_t period = ExtensionStart(item.FileName);
  // A name that begins with its only period (".profile") is all base name.
  if (period != std::wstring::npos && period != 0) {
    item.BaseName = item.FileName.substr(0, period);
    item.Extension = item.FileName.substr(period);
  } else {
    item.BaseName = item.FileName;
  }
  return item;
}

bool IsSelectablePath(std::wstring_view rawPath) { return IsExactFullPath(RemoveTrailingBackslash(rawPath)); }

CSelectedItem ReadSelectedItem(std::wstring_view rawPath) {
  std::wstring full = RemoveTrailingBackslash(rawPath);
  return SplitSelectedPath(full, ::PathIsDirectoryW(full.c_str()) != FALSE);
}
