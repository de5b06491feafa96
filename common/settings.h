#pragma once
// The settings record and its INI store. The record's layout is also the interface to the hook
// library, which receives it by address: offsets and size are fixed and checked below.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "date_separators.h"
#include "errors.h"
#include "ini_text.h"

// How long a reader waits for a program that holds the settings file (backup, sync and antivirus
// tools do, for a moment, at logon above all): the programs wait long, a right-click briefly.
constexpr unsigned long kSettingsSharingWaitMs = 2000;
constexpr unsigned long kRightClickSharingWaitMs = 100;

// One settings file read once into a snapshot: every value comes from that one reading, and the
// writes go back as one replacement of the whole file.
class CIniFile {
public:
  CIniFile(std::wstring path, std::wstring section = L"Default", int bufferSize = 1024)
      : bufferSize_(bufferSize), path_(std::move(path)), section_(std::move(section)) {}
  virtual ~CIniFile() = default;

  // Reads the whole file; a missing one reads as empty. Throws CSystemError when it exists but
  // cannot be read, CIniFormatError when it is not text.
  void Read(unsigned long sharingWaitMs = kSettingsSharingWaitMs);

  std::wstring GetString(const wchar_t* key, const wchar_t* defaultValue) const;
  bool GetBool(const wchar_t* key, bool defaultValue) const;
  int GetInt(const wchar_t* key, int defaultValue) const;
  // Changes of the snapshot, written by Save.
  void WriteString(const wchar_t* key, const std::wstring& value);
  void WriteBool(const wchar_t* key, bool value);
  void WriteInt(const wchar_t* key, int value);
  // Writes the file as read plus the changes (everything else, and its encoding, kept) to a
  // temporary file of its own beside it, reads that back and puts it in its place in one step,
  // with the old file's attributes. Throws CIniFileException and leaves the old file as it was
  // when a step fails.
  void Save() const;

private:
  std::string Encode() const;

  int bufferSize_;
  std::wstring path_;
  std::wstring section_;
  bool exists_ = false;
  std::string bytes_;  // the file as read
  CIniText text_{L""};
  std::vector<std::pair<std::wstring, std::wstring>> writes_;
};

// A failed write of the settings file, with the system's text for the error.
class CIniFileException : public CSystemError {
public:
  explicit CIniFileException(DWORD code) : CSystemError(code) {}
};

// A settings file that cannot be read as text at all: never read as defaults, never written over.
class CIniFormatError : public CAppError {
public:
  explicit CIniFormatError(const std::wstring& path);
};

// A new record holds the defaults, the values a missing settings file gives.
struct CSettings {
  bool enableExplorerRenameExt = false;
  bool enableContextMenuExt = false;
  wchar_t renameExtFileNamePartSelectOrder[6] = L"0,1,2";
  wchar_t renameExtFileNamePartCheckList[6] = L"0,1,2";
  bool renameExtSelectExceptPeriod = false;
  bool renameExtExtendHomeEnd = false;
  bool renameExtHomeEndInSelection = false;
  bool renameExtInsertDate = false;
  bool renameExtInsertDateTimeInShift = false;
  bool renameExtAddUnderbarOnDate = false;
  bool renameExtClearInTab = false;
  bool renameExtEnableExtAtAllEdit = false;
  wchar_t contextMenuExtMenuItems[100] = L"7,8,9,10,14,16,0,5,6,0,11,12,18,19,20,21,0,17,0,13,15,0,1,2,3,4";
  bool contextMenuExtAddUnderbarOnDate = true;
  wchar_t dateFormat[31] = L"%Y%m%d";
  wchar_t dateTimeFormat[31] = L"%Y%m%d_%H%M%S";
  std::int32_t dateTimeConnection = 0;
  wchar_t* iniFilePath = nullptr;  // owned by the record

  CSettings() = default;
  CSettings(const CSettings& other);
  CSettings& operator=(const CSettings& other);
  ~CSettings();

  void SetIniFilePath(const std::wstring& path);
  std::wstring GetIniFilePath() const { return iniFilePath ? iniFilePath : L""; }
};

static_assert(offsetof(CSettings, enableExplorerRenameExt) == 0);
static_assert(offsetof(CSettings, enableContextMenuExt) == 1);
static_assert(offsetof(CSettings, renameExtFileNamePartSelectOrder) == 2);
static_assert(offsetof(CSettings, renameExtFileNamePartCheckList) == 14);
static_assert(offsetof(CSettings, renameExtSelectExceptPeriod) == 26);
static_assert(offsetof(CSettings, renameExtExtendHomeEnd) == 27);
static_assert(offsetof(CSettings, renameExtHomeEndInSelection) == 28);
static_assert(offsetof(CSettings, renameExtInsertDate) == 29);
static_assert(offsetof(CSettings, renameExtInsertDateTimeInShift) == 30);
static_assert(offsetof(CSettings, renameExtAddUnderbarOnDate) == 31);
static_assert(offsetof(CSettings, renameExtClearInTab) == 32);
static_assert(offsetof(CSettings, renameExtEnableExtAtAllEdit) == 33);
static_assert(offsetof(CSettings, contextMenuExtMenuItems) == 34);
static_assert(offsetof(CSettings, contextMenuExtAddUnderbarOnDate) == 234);
static_assert(offsetof(CSettings, dateFormat) == 236);
static_assert(offsetof(CSettings, dateTimeFormat) == 298);
static_assert(offsetof(CSettings, dateTimeConnection) == 360);
static_assert(offsetof(CSettings, iniFilePath) == 368);
static_assert(sizeof(CSettings) == 376);
static_assert(sizeof(bool) == 1 && sizeof(wchar_t) == 2);


// Fills every field from one reading of the file named by iniFilePath; missing keys give their
// defaults, and so does a missing file. A file that exists but cannot be read (access denied, held
// by another program for longer than `sharingWaitMs`, or not text) throws, CSystemError or
// CIniFormatError, and leaves the record as it was: an owner that acts on the settings must not
// run with defaults, nor save them over the user's file.
void LoadSettingsChecked(CSettings& settings, unsigned long sharingWaitMs = kSettingsSharingWaitMs);
// LoadSettingsChecked for a reader that only shows things: a file it cannot read gives the defaults.
void LoadSettings(CSettings& settings);
// Writes all 17 keys into the file as it is now (a new file is UTF-16 with its byte-order mark),
// as one replacement; throws CIniFileException, or CIniFormatError for a file that is not text,
// and leaves the old file untouched. Values with blanks or matching quotes at the ends are quoted.
void SaveSettings(const CSettings& settings);
// Removes what saves into this settings file's folder left behind when they were ended in the
// middle (their temporary files), once older than a minute, so that a save still running elsewhere
// keeps its own. Never fails: what cannot be removed stays.
void RemoveSaveLeftovers(const std::wstring& iniPath);
