#pragma once
// The settings record and its INI store. The record's layout is also the interface to the hook
// library, which receives it by address: offsets and size are fixed and checked below.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "date_separators.h"
#include "errors.h"

class CIniFile {
public:
  CIniFile(std::wstring path, std::wstring section = L"Default", int bufferSize = 1024)
      : bufferSize_(bufferSize), path_(std::move(path)), section_(std::move(section)) {}
  virtual ~CIniFile() = default;

  std::wstring GetString(const wchar_t* key, const wchar_t* defaultValue) const;
  bool GetBool(const wchar_t* key, bool defaultValue) const;
  int GetInt(const wchar_t* key, int defaultValue) const;
  void WriteString(const wchar_t* key, const std::wstring& value) const;
  void WriteBool(const wchar_t* key, bool value) const;
  void WriteInt(const wchar_t* key, int value) const;
  // Creates a missing file as empty UTF-16 text, so that every value written later round-trips;
  // leaves an existing one alone. Throws CIniFileException when it cannot create it.
  void CreateAsUnicode() const;

private:
  int bufferSize_;
  std::wstring path_;
  std::wstring section_;
};

// A failed write of the settings file, with the system's text for the error.
class CIniFileException : public CSystemError {
public:
  explicit CIniFileException(DWORD code) : CSystemError(code) {}
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


// Fills every field from the file named by iniFilePath; missing keys give their defaults.
void LoadSettings(CSettings& settings);
// LoadSettings for an owner that acts on what it reads: a settings file that exists but cannot be
// read (access denied, or held by another program for more than two seconds) throws CSystemError
// rather than giving the defaults, which the hook would run with and a later save would write over
// the user's settings.
void LoadSettingsChecked(CSettings& settings);
// Writes all 17 keys in their fixed order, into a new UTF-16 file when there is none; throws
// CIniFileException on the first failed write. Values with blanks at either end are quoted.
void SaveSettings(const CSettings& settings);
