#pragma once
// The fixed table of the context-menu commands: numbers, verbs, labels and help texts.
// Number 0 is the menu separator; 1 to 21 are the commands.
#include <array>
#include <string>
#include <vector>

enum CommandIndex : int {
  CmdSeparator = 0,
  CmdCopyFullPath = 1,
  CmdCopyParentDirPath = 2,
  CmdCopyFileName = 3,
  CmdCopyFileBaseName = 4,
  CmdToLower = 5,
  CmdToUpper = 6,
  CmdRemoveShortcutString = 7,
  CmdRemoveCopyString = 8,
  CmdRemoveNumericFromFileNameHead = 9,
  CmdRemoveNumericFromFileNameEnd = 10,
  CmdInsertDateTimeInHead = 11,
  CmdInsertDateTimeInEnd = 12,
  CmdInsertStringInFileNameHead = 13,
  CmdRemoveStringFromFileNameHead = 14,
  CmdInsertStringInExtensionEnd = 15,
  CmdRemoveStringFromExtensionEnd = 16,
  CmdAddAutoNumber = 17,
  CmdInsertFileCreationDateTimeInHead = 18,
  CmdInsertFileCreationDateTimeInEnd = 19,
  CmdInsertFileLastWriteDateTimeInHead = 20,
  CmdInsertFileLastWriteDateTimeInEnd = 21,
};

constexpr int kLastCommand = 21;
constexpr int kCommandSlots = kLastCommand + 1;  // identifiers used by the menu: idCmdFirst + 0..21

constexpr const wchar_t* kNameDisableMarker = L"~$";
constexpr const wchar_t* kExtensionDisableMarker = L"$";

inline bool IsCatalogueIndex(long index) { return index >= 0 && index <= kLastCommand; }
inline bool IsCommand(long index) { return index >= 1 && index <= kLastCommand; }
// Commands 5 to 21 change the item's name (or copy it under a new one); 1 to 4 only copy text.
inline bool IsRenamingCommand(long index) { return index >= CmdToLower && index <= kLastCommand; }

// The label as stored (labels 9, 10 and 18 to 21 keep their "%s"); empty outside 0..21.
const wchar_t* CommandLabel(int index);
// The ASCII verb of commands 1 to 21; null otherwise.
const char* CommandVerb(int index);
// The help text of commands 1 to 21 for a file or a folder, markers filled in and folder wording
// applied; empty outside 1..21.
std::wstring CommandHelpText(int index, bool isFolder);
// For a folder every "ファイル" reads "フォルダ".
std::wstring ApplyFolderWording(const std::wstring& text, bool isFolder);

// The default submenu: every command once, five separators.
extern const std::array<int, 26> DefaultMenuItems;
std::wstring DefaultMenuItemsText();
