#include "item_kind.h"

#include "path_rules.h"
#include "text.h"

CItemKind ItemKindOf(std::wstring_view path, bool isFolder) {
  if (IsRootPath(path)) return CItemKind::Root;
  if (isFolder) return CItemKind::Folder;
  std::wstring_view name = NamePart(path);
  const std::size_t period = name.rfind(L'.');
  const std::wstring_view extension = period == std::wstring_view::npos ? std::wstring_view() : name.substr(period);
  if (EqualsAsciiNoCase(extension, L".lnk")) return CItemKind::Shortcut;
  if (EqualsAsciiNoCase(extension, L".pif")) return CItemKind::PifShortcut;
  if (EqualsAsciiNoCase(extension, L".url")) return CItemKind::InternetShortcut;
  return CItemKind::File;
}
