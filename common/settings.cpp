#include "settings.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "catalogue.h"
#include "handles.h"

std::wstring CIniFile::GetString(const wchar_t* key, const wchar_t* defaultValue) const {
  std::vector<wchar_t> buffer(bufferSize_);
  DWORD n = ::GetPrivateProfileStringW(section_.c_str(), key, defaultValue, buffer.data(),
                                       static_cast<DWORD>(buffer.size()), path_.c_str());
  return std::wstring(buffer.data(), n);
}

bool CIniFile::GetBool(const wchar_t* key, bool defaultValue) const {
  std::wstring value = GetString(key, defaultValue ? L"True" : L"False");
  return ::lstrcmpiW(value.c_str(), L"True") == 0;
}

int CIniFile::GetInt(const wchar_t* key, int defaultValue) const {
  return static_cast<int>(::GetPrivateProfileIntW(section_.c_str(), key, defaultValue, path_.c_str()));
}

namespace {

bool IsBlank(wchar_t c) { return c <= L' ' || c == L'\u3000'; }

// The reader trims blanks around a value and then strips one pair of matching quotes: a value
// that such reading would change is written inside a pair of its own.
bool NeedsQuotes(const std::wstring& value) {
  if (value.empty()) return false;
  if (IsBlank(value.front()) || IsBlank(value.back())) return true;
  return value.size() >= 2 && value.front() == value.back() && (value.front() == L'"' || value.front() == L'\'');
}

}  // namespace

void CIniFile::WriteString(const wchar_t* key, const std::wstring& value) const {
  const std::wstring stored = NeedsQuotes(value) ? L"\"" + value + L"\"" : value;
  if (!::WritePrivateProfileStringW(section_.c_str(), key, stored.c_str(), path_.c_str()))
    throw CIniFileException(::GetLastError());
}

void CIniFile::CreateAsUnicode() const {
  CFileHandle file(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return;  // kept as it is
    throw CIniFileException(error);
  }
  // UTF-16 little endian, marked: the private-profile functions then keep writing UTF-16.
  static const BYTE kByteOrderMark[] = {0xFF, 0xFE};
  DWORD written = 0;
  if (!::WriteFile(file.Get(), kByteOrderMark, sizeof kByteOrderMark, &written, nullptr) ||
      written != sizeof kByteOrderMark)
    throw CIniFileException(::GetLastError());
}

void CIniFile::WriteBool(const wchar_t* key, bool value) const { WriteString(key, value ? L"True" : L"False"); }

void CIniFile::WriteInt(const wchar_t* key, int value) const { WriteString(key, std::to_wstring(value)); }

CSettings::CSettings(const CSettings& other) {
  *this = other;
}

CSettings& CSettings::operator=(const CSettings& other) {
  if (this == &other) return *this;
  wchar_t* ownPath = iniFilePath;
  iniFilePath = nullptr;
  // Everything but the owned path is plain data of fixed layout.
  std::memcpy(static_cast<void*>(this), &other, offsetof(CSettings, iniFilePath));
  iniFilePath = ownPath;
  SetIniFilePath(other.GetIniFilePath());
  return *this;
}

CSettings::~CSettings() { delete[] iniFilePath; }

void CSettings::SetIniFilePath(const std::wstring& path) {
  wchar_t* copy = new wchar_t[path.size() + 1];
  std::wmemcpy(copy, path.c_str(), path.size() + 1);
  delete[] iniFilePath;
  iniFilePath = copy;
}

namespace {

template <std::size_t N>
void CopyCut(wchar_t (&field)[N], const std::wstring& value) {
  std::size_t n = value.size() < N - 1 ? value.size() : N - 1;
  std::wmemcpy(field, value.data(), n);
  field[n] = L'\0';
}

}  // namespace

void LoadSettings(CSettings& s) {
  CIniFile ini(s.GetIniFilePath());
  s.enableExplorerRenameExt = ini.GetBool(L"EnableExplorerRenameExt", false);
  s.enableContextMenuExt = ini.GetBool(L"EnableContextMenuExt", false);
  CopyCut(s.renameExtFileNamePartSelectOrder, ini.GetString(L"RenameExt_FileNamePartSelectOrder", L"0,1,2"));
  CopyCut(s.renameExtFileNamePartCheckList, ini.GetString(L"RenameExt_FileNamePartCheckList", L"0,1,2"));
  s.renameExtSelectExceptPeriod = ini.GetBool(L"RenameExt_SelectExceptPeriod", false);
  s.renameExtExtendHomeEnd = ini.GetBool(L"RenameExt_ExtendHomeEnd", false);
  s.renameExtHomeEndInSelection = ini.GetBool(L"RenameExt_HomeEndInSelection", false);
  s.renameExtInsertDate = ini.GetBool(L"RenameExt_InsertDate", false);
  s.renameExtInsertDateTimeInShift = ini.GetBool(L"RenameExt_InsertDateTimeInShift", false);
  s.renameExtAddUnderbarOnDate = ini.GetBool(L"RenameExt_AddUnderbarOnDate", false);
  s.renameExtClearInTab = ini.GetBool(L"RenameExt_ClearInTab", false);
  s.renameExtEnableExtAtAllEdit = ini.GetBool(L"RenameExt_EnableExtAtAllEdit", false);
  s.contextMenuExtAddUnderbarOnDate = ini.GetBool(L"ContextMenuExt_AddUnderbarOnDate", true);
  CopyCut(s.contextMenuExtMenuItems, ini.GetString(L"ContextMenuExt_MenuItems", DefaultMenuItemsText().c_str()));
  CopyCut(s.dateFormat, ini.GetString(L"DateFormat", L"%Y%m%d"));
  CopyCut(s.dateTimeFormat, ini.GetString(L"DateTimeFormat", L"%Y%m%d_%H%M%S"));
  s.dateTimeConnection = ini.GetInt(L"DateTimeConnectionString", 0);
}

void LoadSettingsChecked(CSettings& settings) {
  // A backup, sync or antivirus tool may hold the file for a moment (at logon above all): wait for
  // it a little before calling the settings unreadable.
  constexpr ULONGLONG kSharingRetryMs = 2000;
  constexpr DWORD kSharingRetryStepMs = 50;
  const std::wstring path = settings.GetIniFilePath();
  const ULONGLONG deadline = ::GetTickCount64() + kSharingRetryMs;
  for (;;) {
    CFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) break;
    DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) break;
    if (error != ERROR_SHARING_VIOLATION || ::GetTickCount64() >= deadline) throw CSystemError(error);
    ::Sleep(kSharingRetryStepMs);
  }
  LoadSettings(settings);
}

void SaveSettings(const CSettings& s) {
  CIniFile ini(s.GetIniFilePath());
  // A file the platform creates itself holds ANSI text, which loses every character outside the
  // code page; an existing file keeps the encoding it has.
  ini.CreateAsUnicode();
  ini.WriteBool(L"EnableExplorerRenameExt", s.enableExplorerRenameExt);
  ini.WriteBool(L"EnableContextMenuExt", s.enableContextMenuExt);
  ini.WriteString(L"RenameExt_FileNamePartCheckList", s.renameExtFileNamePartCheckList);
  ini.WriteString(L"RenameExt_FileNamePartSelectOrder", s.renameExtFileNamePartSelectOrder);
  ini.WriteBool(L"RenameExt_SelectExceptPeriod", s.renameExtSelectExceptPeriod);
  ini.WriteBool(L"RenameExt_ExtendHomeEnd", s.renameExtExtendHomeEnd);
  ini.WriteBool(L"RenameExt_HomeEndInSelection", s.renameExtHomeEndInSelection);
  ini.WriteBool(L"RenameExt_InsertDate", s.renameExtInsertDate);
  ini.WriteBool(L"RenameExt_InsertDateTimeInShift", s.renameExtInsertDateTimeInShift);
  ini.WriteBool(L"RenameExt_AddUnderbarOnDate", s.renameExtAddUnderbarOnDate);
  ini.WriteBool(L"RenameExt_ClearInTab", s.renameExtClearInTab);
  ini.WriteBool(L"RenameExt_EnableExtAtAllEdit", s.renameExtEnableExtAtAllEdit);
  ini.WriteString(L"ContextMenuExt_MenuItems", s.contextMenuExtMenuItems);
  ini.WriteBool(L"ContextMenuExt_AddUnderbarOnDate", s.contextMenuExtAddUnderbarOnDate);
  ini.WriteString(L"DateFormat", s.dateFormat);
  ini.WriteString(L"DateTimeFormat", s.dateTimeFormat);
  ini.WriteInt(L"DateTimeConnectionString", s.dateTimeConnection);
}
