// Renaming commands 5 to 21 and the menu predicates: the new names come from the name rules,
// the file operation happens here at the edge.
#include <shlwapi.h>

#include "catalogue.h"
#include "command_context.h"
#include "date_stamp.h"
#include "errors.h"
#include "name_rules.h"
#include "path_rules.h"
#include "text.h"

namespace {

bool Exists(const std::wstring& path) { return ::PathFileExistsW(path.c_str()) != FALSE; }

}  // namespace

NameParts CCommandContext::Parts() const { return NameParts{FolderPath, BaseName, Extension}; }

// Only the item's own name changes case: its folder keeps its spelling, which matters in folders
// that are case-sensitive, and a name without ASCII letters causes no file operation at all.
bool CCommandContext::ToLower() { return RenameItem(FullPath, JoinPath(FolderPath, AsciiLower(FileName))); }

bool CCommandContext::ToUpper() { return RenameItem(FullPath, JoinPath(FolderPath, AsciiUpper(FileName))); }

bool CCommandContext::RemoveShortcutString() {
  auto path = PathWithoutShortcutSuffix(Parts());
  return !path || ApplyNewPath(*path);
}

bool CCommandContext::RemoveCopyString() { return ApplyNewPath(PathWithoutCopyPrefix(Parts(), ShiftDown)); }

bool CCommandContext::RemoveNumericFromFileNameHead() {
  auto path = PathWithoutNumericHead(Parts());
  return !path || ApplyNewPath(*path);
}

bool CCommandContext::RemoveNumericFromFileNameEnd() {
  auto path = PathWithoutNumericTail(Parts());
  return !path || ApplyNewPath(*path);
}

bool CCommandContext::InsertStringInFileNameHead() { return ApplyNewPath(PathWithNameDisabled(Parts())); }

bool CCommandContext::RemoveStringFromFileNameHead() {
  auto path = PathWithNameEnabled(Parts());
  return !path || ApplyNewPath(*path);
}

bool CCommandContext::InsertStringInExtensionEnd() { return ApplyNewPath(PathWithExtensionDisabled(Parts())); }

bool CCommandContext::RemoveStringFromExtensionEnd() {
  auto path = PathWithExtensionEnabled(Parts());
  return !path || ApplyNewPath(*path);
}

bool CCommandContext::AddAutoNumber() {
  for (int n = 1; n <= kMaxAutoNumber; ++n) {
    std::wstring path = AutoNumberedPath(Parts(), n, ShiftDown);
    if (!Exists(path)) return ApplyNewPath(path);
  }
  ShowErrorBox(MessageOwner(), L"000～999までの連番が既に使用されています。");
  return true;
}

CDateStamp CCommandContext::FormatDateStamp(const SYSTEMTIME& time, bool dateOnly) const {
  return MakeDateStamp(dateOnly ? Settings.dateFormat : Settings.dateTimeFormat, StampTimeOf(time));
}

bool CCommandContext::InsertDateStamp(const SYSTEMTIME& time, StampPlace place, CopyCollision collision) {
  const bool head = place == StampPlace::Head;
  CDateStamp stamp = FormatDateStamp(time, !ShiftDown);
  // A name without its stamp, or with a colon (an NTFS stream), is never what the user asked for.
  if (!stamp.Usable()) return false;
  const wchar_t* connector = DateConnector(Settings.contextMenuExtAddUnderbarOnDate, Settings.dateTimeConnection);
  std::wstring path = DatedPath(Parts(), stamp.text, connector, head);
  if (CtrlDown && collision == CopyCollision::Number) {
    for (int n = 2; Exists(path); ++n) path = NumberedDatedPath(Parts(), stamp.text, n, head);
  }
  return ApplyNewPath(path);
}

bool CCommandContext::InsertDateTimeInHead() {
  return InsertDateStamp(clock_(), StampPlace::Head, CopyCollision::Number);
}

bool CCommandContext::InsertDateTimeInEnd() { return InsertDateStamp(clock_(), StampPlace::End, CopyCollision::Number); }

bool CCommandContext::InsertFileDateTimeInHead(const SYSTEMTIME& time) {
  return InsertDateStamp(time, StampPlace::Head, CopyCollision::AskShell);
}

bool CCommandContext::InsertFileDateTimeInEnd(const SYSTEMTIME& time) {
  return InsertDateStamp(time, StampPlace::End, CopyCollision::AskShell);
}

bool CCommandContext::GivesUsableName(int command) const {
  std::optional<std::wstring> path;
  switch (command) {
    case CmdRemoveShortcutString: path = PathWithoutShortcutSuffix(Parts()); break;
    case CmdRemoveCopyString: path = PathWithoutCopyPrefix(Parts(), false); break;
    case CmdRemoveNumericFromFileNameHead: path = PathWithoutNumericHead(Parts()); break;
    case CmdRemoveNumericFromFileNameEnd: path = PathWithoutNumericTail(Parts()); break;
    case CmdRemoveStringFromFileNameHead: path = PathWithNameEnabled(Parts()); break;
    case CmdRemoveStringFromExtensionEnd: path = PathWithExtensionEnabled(Parts()); break;
    default: return true;
  }
  return !path || CheckFileName(NamePart(*path)) == FileNameProblem::None;
}

bool CCommandContext::HasExtension() const { return !Extension.empty(); }

bool CCommandContext::HasShortcutSuffix() const { return FindGroup(kShortcutSuffixPattern, BaseName).has_value(); }

bool CCommandContext::HasCopyPrefix() const { return FindGroup(kCopyPrefixPattern, BaseName).has_value(); }

bool CCommandContext::GetNumericHead(std::wstring& digits) const {
  auto found = NumericHead(BaseName);
  digits = found.value_or(L"");
  return found.has_value();
}

bool CCommandContext::GetNumericTail(std::wstring& digits) const {
  auto found = NumericTail(BaseName);
  digits = found.value_or(L"");
  return found.has_value();
}

bool CCommandContext::IsNameDisabled() const { return HasNameDisableMarker(BaseName); }

bool CCommandContext::IsExtensionDisabled() const { return HasExtensionDisableMarker(Extension); }
