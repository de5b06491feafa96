// The command spine shared by every command: the context itself, the clipboard commands and the
// file operations that apply a new name.
#include "command_context.h"

#include <shellapi.h>

#include "errors.h"
#include "handles.h"
#include "path_rules.h"
#include "text.h"

SYSTEMTIME LocalNow() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return now;
}

CCommandContext::CCommandContext(const CApp& app, const CSettings& settings, const CSelectedItem& item,
                                 ClockFunction clock)
    : App(app),
      Settings(settings),
      FullPath(item.FullPath),
      FolderPath(item.FolderPath),
      FileName(item.FileName),
      BaseName(item.BaseName),
      Extension(item.Extension),
      IsFolder(item.IsFolder),
      IsRoot(item.IsRoot),
      clock_(clock ? clock : LocalNow) {}

namespace {

std::wstring DoubleBackslashes(const std::wstring& text) { return ReplaceAll(text, L"\\", L"\\\\"); }

// One path as the shell's file operation wants it: followed by two NULs.
std::wstring FileOperationList(const std::wstring& path) {
  std::wstring list = path;
  list.push_back(L'\0');  // c_str() adds the second
  return list;
}

// How a target relates to the source as Windows resolves names: trailing periods and blanks of
// the last name dropped, letters compared without case.
enum class CTarget { Other, Same, CaseChanged };

CTarget CompareTarget(std::wstring_view from, std::wstring_view to) {
  from = TrimResolvedName(from);
  to = TrimResolvedName(to);
  if (from == to) return CTarget::Same;
  return ::CompareStringOrdinal(from.data(), static_cast<int>(from.size()), to.data(), static_cast<int>(to.size()),
                                TRUE) == CSTR_EQUAL
             ? CTarget::CaseChanged
             : CTarget::Other;
}

bool RunFileOperation(FileOperationFunction run, HWND owner, UINT operation, const std::wstring& from,
                      const std::wstring& to) {
  // The shell's operation works with classic paths: a longer one would be cut or refused halfway.
  if (!FitsMaxPath(from) || !FitsMaxPath(to)) return false;
  std::wstring source = FileOperationList(from);
  std::wstring target = FileOperationList(to);
  SHFILEOPSTRUCTW op = {};
  op.hwnd = owner ? owner : ::GetActiveWindow();
  op.wFunc = operation;
  op.pFrom = source.c_str();
  op.pTo = target.c_str();
  // Undoable, and with the shell's own confirmations and error dialogs.
  op.fFlags = FOF_ALLOWUNDO;
  if (run(&op) != 0) return false;
  // A user who cancels one of the shell's dialogs gets 0 from some systems: nothing was done.
  return !op.fAnyOperationsAborted;
}

}  // namespace

// Refusals of our own, shown like the extension's other message and reported as a failure.
bool CCommandContext::Refuse(const wchar_t* message, const std::wstring& path) const {
  ShowErrorBox(MessageOwner(), FillPlaceholder(message, path));
  return false;
}

bool CCommandContext::CopyFullPath() { return SetClipboardText(ShiftDown ? DoubleBackslashes(FullPath) : FullPath); }

bool CCommandContext::CopyParentDirPath() {
  return SetClipboardText(ShiftDown ? DoubleBackslashes(FolderPath) : FolderPath);
}

bool CCommandContext::CopyFileName() { return SetClipboardText(FileName); }

bool CCommandContext::CopyFileBaseName() { return SetClipboardText(BaseName); }

bool CCommandContext::ApplyNewPath(const std::wstring& newPath) {
  // Windows would trim such a name, or take it for a device: the operation would reach another
  // item than the one named, or none, and still report success.
  switch (CheckFileName(NamePart(newPath))) {
    case FileNameProblem::None:
      break;
    case FileNameProblem::Empty:
      return Refuse(L"新しい名前が空になるため、実行できません。\n【パス】%s", FullPath);
    case FileNameProblem::TrailingPeriodOrBlank:
      return Refuse(L"新しい名前の末尾がピリオドまたは空白になるため、実行できません。\n【パス】%s", newPath);
    case FileNameProblem::ReservedDevice:
      return Refuse(L"新しい名前がデバイス名（CON、NUL など）になるため、実行できません。\n【パス】%s", newPath);
    case FileNameProblem::UnusableCharacter:
      return Refuse(L"新しい名前に使用できない文字が含まれるため、実行できません。\n【パス】%s", newPath);
  }
  return CtrlDown ? CopyItem(FullPath, newPath) : RenameItem(FullPath, newPath);
}

bool CCommandContext::RenameItem(const std::wstring& from, const std::wstring& to) {
  // A name that differs only in case is renamed: Windows keeps the new spelling.
  if (CompareTarget(from, to) == CTarget::Same) return true;
  return RunFileOperation(FileOperation, Owner, FO_RENAME, from, to);
}

bool CCommandContext::CopyItem(const std::wstring& from, const std::wstring& to) {
  // A copy onto the item itself: nothing to do, as for an unchanged name.
  if (CompareTarget(from, to) != CTarget::Other) return true;
  // The shell takes an existing folder for a destination and copies into it; a folder copied onto
  // an existing file name fares no better. The copy lands beside the source or not at all.
  const DWORD target = ::GetFileAttributesW(to.c_str());
  if (target != INVALID_FILE_ATTRIBUTES) {
    if (target & FILE_ATTRIBUTE_DIRECTORY)
      return Refuse(L"同じ名前のフォルダが既にあるため、コピーできません。\n【パス】%s", to);
    const DWORD source = ::GetFileAttributesW(from.c_str());
    if (source != INVALID_FILE_ATTRIBUTES && (source & FILE_ATTRIBUTE_DIRECTORY))
      return Refuse(L"同じ名前のファイルが既にあるため、フォルダをコピーできません。\n【パス】%s", to);
  }
  return RunFileOperation(FileOperation, Owner, FO_COPY, from, to);
}

bool CCommandContext::SetClipboardText(const std::wstring& text) {
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  CGlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
  if (!block) return false;
  {
    CGlobalLock lock(block.Get());
    if (!lock.Get()) return false;
    ::CopyMemory(lock.Get(), text.c_str(), bytes);
  }
  // Another program may hold the clipboard for a moment (clipboard viewers do): try a few times
  // before giving up, without keeping Explorer waiting noticeably.
  for (int attempt = 0;; ++attempt) {
    CClipboard clipboard(nullptr);
    if (clipboard.IsOpen()) {
      if (!::EmptyClipboard()) return false;
      if (!::SetClipboardData(CF_UNICODETEXT, block.Get())) return false;
      block.Detach();  // the clipboard owns it now
      return true;
    }
    if (attempt == 4) return false;
    ::Sleep(20);
  }
}
