#include "selection.h"

#include "handles.h"
#include "selected_item.h"
#include "text.h"

namespace {

bool ToLocalSystemTime(const FILETIME& utc, SYSTEMTIME& local) {
  FILETIME localFile;
  return ::FileTimeToLocalFileTime(&utc, &localFile) && ::FileTimeToSystemTime(&localFile, &local);
}

}  // namespace

bool AcceptsSelectedPath(std::wstring_view rawPath) {
  return !rawPath.empty() && FitsMaxPath(rawPath) && IsSelectablePath(rawPath);
}

std::optional<CSelection> ReadSelection(std::wstring_view rawPath) {
  if (!AcceptsSelectedPath(rawPath)) return std::nullopt;
  CSelection selection{ReadSelectedItem(rawPath)};
  const std::wstring path(rawPath);
  CFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | (selection.item.IsFolder ? FILE_FLAG_BACKUP_SEMANTICS : 0),
                                 nullptr));
  if (!file) return std::nullopt;
  FILETIME creation, lastWrite;
  if (!::GetFileTime(file.Get(), &creation, nullptr, &lastWrite) ||
      !ToLocalSystemTime(creation, selection.creationTime) || !ToLocalSystemTime(lastWrite, selection.lastWriteTime))
    return std::nullopt;
  return selection;
}

std::optional<std::wstring> AcceptedPathOf(IShellItemArray* items) {
  DWORD count = 0;
  if (!items || FAILED(items->GetCount(&count)) || count != 1) return std::nullopt;
  CComPtr<IShellItem> item;
  if (FAILED(items->GetItemAt(0, item.Put())) || !item) return std::nullopt;
  CCoTaskString path;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.Put())) || !path.Get()) return std::nullopt;
  if (!AcceptsSelectedPath(path.Get())) return std::nullopt;
  return std::wstring(path.Get());
}
