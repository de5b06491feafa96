#include "selected_item.h"

#include <shlwapi.h>

namespace {

bool IsDriveRoot(std::wstring_view path) { return path.size() == 3 && path[1] == L':' && path[2] == L'\\'; }

// Index where the last component starts; 0 when the path has no backslash. A backslash that ends
// the path (a drive root) does not start a component, as with PathFindFileNameW.
std::size_t LastComponentStart(std::wstring_view path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (path[i - 1] == L'\\' && i < path.size()) return i;
  }
  return 0;
}

// FullPath without its last component, as PathRemoveFileSpecW leaves it: a component directly
// below a root keeps the root's backslash ("C:\a" gives "C:\", "\a" gives "\").
std::wstring FolderOf(std::wstring_view path) {
  std::size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring_view::npos) return {};
  if (IsDriveRoot(path.substr(0, 3)) && slash == 2) return std::wstring(path.substr(0, 3));
  if (slash == 0) return L"\\";
  return std::wstring(path.substr(0, slash));
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
  if (rawPath.size() > 1 && rawPath.back() == L'\\' && !IsDriveRoot(rawPath)) rawPath.remove_suffix(1);
  return std::wstring(rawPath);
}

CSelectedItem SplitSelectedPath(std::wstring_view rawPath, bool isFolder) {
  CSelectedItem item;
  item.FullPath = RemoveTrailingBackslash(rawPath);
  item.FolderPath = FolderOf(item.FullPath);
  item.FileName = item.FullPath.substr(LastComponentStart(item.FullPath));
  item.IsFolder = isFolder;
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

CSelectedItem ReadSelectedItem(std::wstring_view rawPath) {
  std::wstring full = RemoveTrailingBackslash(rawPath);
  return SplitSelectedPath(full, ::PathIsDirectoryW(full.c_str()) != FALSE);
}
