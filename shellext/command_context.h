#pragma once
// The per-call context on which the commands and the menu predicates operate: the selected
// item's name parts, the settings of this right-click and the keys held when the item was chosen.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app.h"
#include "date_stamp.h"
#include "name_rules.h"
#include "settings.h"

struct CSelectedItem {
  std::wstring FullPath;    // without a trailing backslash (a drive root keeps its own)
  std::wstring FolderPath;  // FullPath without its last component
  std::wstring FileName;    // last component
  std::wstring BaseName;    // name without extension; the whole name for a folder
  std::wstring Extension;   // with its period, or empty; always empty for a folder
  bool IsFolder = false;
  bool IsRoot = false;      // a drive or share root: it has no name of its own to change
};

// The shell's undoable file operation; tests replace it only where Wine's shell differs from Windows.
using FileOperationFunction = int(WINAPI*)(LPSHFILEOPSTRUCTW);

// Source of "today" for the date commands; tests replace it with a fixed clock.
using ClockFunction = SYSTEMTIME (*)();
SYSTEMTIME LocalNow();

class CCommandContext {
public:
  CCommandContext(const CApp& app, const CSettings& settings, const CSelectedItem& item,
                  ClockFunction clock = LocalNow);

  const CApp& App;
  const CSettings& Settings;
  std::wstring FullPath;
  std::wstring FolderPath;
  std::wstring FileName;
  std::wstring BaseName;
  std::wstring Extension;
  bool IsFolder;
  bool IsRoot;
  bool ShiftDown = false;
  bool CtrlDown = false;
  // Owns our messages and the shell's file-operation dialogs. Null in Explorer's own thread, where
  // the focus window owns messages and the active window the shell's dialogs; a command run
  // outside Explorer's thread has neither and names Explorer's window here.
  HWND Owner = nullptr;
  FileOperationFunction FileOperation = ::SHFileOperationW;

  // Clipboard commands 1 to 4.
  bool CopyFullPath();
  bool CopyParentDirPath();
  bool CopyFileName();
  bool CopyFileBaseName();

  // Renaming commands 5 to 21: true on success (also when there was nothing to change). A command
  // refused because it would reach another item than the one named shows why in a message box
  // owned by the focus window and returns false, so InvokeCommand answers E_FAIL.
  bool ToLower();
  bool ToUpper();
  bool RemoveShortcutString();
  bool RemoveCopyString();
  bool RemoveNumericFromFileNameHead();
  bool RemoveNumericFromFileNameEnd();
  bool InsertDateTimeInHead();
  bool InsertDateTimeInEnd();
  bool InsertStringInFileNameHead();
  bool RemoveStringFromFileNameHead();
  bool InsertStringInExtensionEnd();
  bool RemoveStringFromExtensionEnd();
  bool AddAutoNumber();
  bool InsertFileDateTimeInHead(const SYSTEMTIME& time);  // 18 and 20
  bool InsertFileDateTimeInEnd(const SYSTEMTIME& time);   // 19 and 21

  // Menu predicates: no side effects, no file system access.
  // Whether removing command `command` (7, 8, 9, 10, 14 or 16) would give a name that Windows
  // takes as written; the other commands answer true.
  bool GivesUsableName(int command) const;
  bool HasExtension() const;
  bool HasShortcutSuffix() const;
  bool HasCopyPrefix() const;
  bool GetNumericHead(std::wstring& digits) const;
  bool GetNumericTail(std::wstring& digits) const;
  bool IsNameDisabled() const;
  bool IsExtensionDisabled() const;

  // The stamp of `time` in the settings' date (or date-and-time) format, or why there is none.
  CDateStamp FormatDateStamp(const SYSTEMTIME& time, bool dateOnly) const;

  // Renames FullPath to `newPath`, or copies it there while Ctrl is held. Refuses a new name that
  // is empty, ends in a period or a blank, or names a device.
  bool ApplyNewPath(const std::wstring& newPath);
  // Both do nothing for a target that Windows resolves to the source itself (trailing periods and
  // blanks dropped, case ignored); only a rename that changes the case of letters is carried out.
  bool RenameItem(const std::wstring& from, const std::wstring& to);
  // Refuses a target that exists as a folder, or any existing target for a folder: the shell
  // would copy into it instead of beside the source.
  bool CopyItem(const std::wstring& from, const std::wstring& to);
  bool SetClipboardText(const std::wstring& text);

private:
  HWND MessageOwner() const { return Owner ? Owner : ::GetFocus(); }
  bool Refuse(const wchar_t* message, const std::wstring& path) const;

  enum class StampPlace { Head, End };
  // What a Ctrl copy does when the dated name exists: number it until it is free, or leave the
  // name to the shell's own confirmation.
  enum class CopyCollision { Number, AskShell };

  NameParts Parts() const;
  bool InsertDateStamp(const SYSTEMTIME& time, StampPlace place, CopyCollision collision);

  ClockFunction clock_;
};
