// The command spine shared by every command: the context itself, the clipboard commands and the
// file operations that apply a new name.
#include "command_context.h"

#include <shellapi.h>

#include "handles.h"
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
      clock_(clock ? clock : LocalNow) {}

namespace {

std::wstring DoubleBackslashes(const std::wstring& text) { return ReplaceAll(text, L"\\", L"\\\\"); }

// One path as the shell's file operation wants it: followed by two NULs.
std::wstring FileOperationList(const std::wstring& path) {
  std::wstring list = path;
  list.push_back(L'\0');  // c_str() adds the second
  return list;
}

bool RunFileOperation(FileOperationFunction run, UINT operation, const std::wstring& from, const std::wstring& to) {
  // Nothing to do for an unchanged name; a name that differs only in case is renamed.
  if (from == to) return true;
  // The shell's operation works with classic paths: a longer one would be cut or refused halfway.
  if (!FitsMaxPath(from) || !FitsMaxPath(to)) return false;
  std::wstring source = FileOperationList(from);
  std::wstring target = FileOperationList(to);
  SHFILEOPSTRUCTW op = {};
  op.hwnd = ::GetActiveWindow();
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

bool CCommandContext::CopyFullPath() { return SetClipboardText(ShiftDown ? DoubleBackslashes(FullPath) : FullPath); }

bool CCommandContext::CopyParentDirPath() {
  return SetClipboardText(ShiftDown ? DoubleBackslashes(FolderPath) : FolderPath);
}

bool CCommandContext::CopyFileName() { return SetClipboardText(FileName); }

bool CCommandContext::CopyFileBaseName() { return SetClipboardText(BaseName); }

bool CCommandContext::ApplyNewPath(const std::wstring& newPath) {
  return CtrlDown ? CopyItem(FullPath, newPath) : RenameItem(FullPath, newPath);
}

bool CCommandContext::RenameItem(const std::wstring& from, const std::wstring& to) {
  return RunFileOperation(FileOperation, FO_RENAME, from, to);
}

bool CCommandContext::CopyItem(const std::wstring& from, const std::wstring& to) {
  return RunFileOperation(FileOperation, FO_COPY, from, to);
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
