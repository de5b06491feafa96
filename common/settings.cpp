#include "settings.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "handles.h"
#include "text.h"

namespace {

// Opens the file for reading, waiting for a program that holds it; an empty handle when the file
// (or its folder) does not exist.
CFileHandle OpenForReading(const std::wstring& path, unsigned long sharingWaitMs) {
  constexpr DWORD kSharingRetryStepMs = 10;
  const ULONGLONG deadline = ::GetTickCount64() + sharingWaitMs;
  for (;;) {
    CFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
    if (error != ERROR_SHARING_VIOLATION || ::GetTickCount64() >= deadline) throw CSystemError(error);
    ::Sleep(kSharingRetryStepMs);
  }
}

std::string ReadAll(HANDLE file) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) throw CSystemError(::GetLastError());
  if (size.QuadPart > 0x7FFFFFFF) throw CSystemError(ERROR_FILE_TOO_LARGE);
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    if (!::ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr))
      throw CSystemError(::GetLastError());
    if (n == 0) break;  // cut short meanwhile: what was there
    done += n;
  }
  bytes.resize(done);
  return bytes;
}

UINT CodePageOf(CIniEncoding encoding) { return encoding == CIniEncoding::Utf8 ? CP_UTF8 : CP_THREAD_ACP; }

// The text the platform reads from these bytes.
std::wstring Decode(std::string_view bytes) {
  const CIniEncodingMark mark = DetectIniEncoding(bytes);
  const std::string body(bytes.substr(mark.markLength));
  switch (mark.encoding) {
    case CIniEncoding::Utf16Le: return DecodeUtf16(body, false);
    case CIniEncoding::Utf16Be: return DecodeUtf16(body, true);
    case CIniEncoding::Utf8: return FromUtf8(body);
    case CIniEncoding::Ansi: break;
  }
  return FromThreadAnsi(body);
}

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::size_t DecodedLength(UINT codePage, std::string_view bytes) {
  if (IsAscii(bytes)) return bytes.size();
  const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) throw CIniFileException(::GetLastError());
  return static_cast<std::size_t>(n);
}

// The length of the text of one byte line of 8-bit `body` as the decoding of the whole file gives
// it. The decoder starts afresh after a line break, whether or not a cut character took it; but a
// cut character at the very end of its input may take what follows it there (Wine's UTF-8 decoder
// makes one character of "\xE0\r" there, and three of "\xE0\rx"). So the line is decoded with a
// few bytes after it, whose own text is taken away again.
std::size_t DecodedLineLength(UINT codePage, std::string_view body, const CIniLine& line) {
  const std::string_view bytes = body.substr(line.begin, line.end - line.begin);
  if (IsAscii(bytes)) return bytes.size();
  const std::string_view after = body.substr(line.end, 8);
  return DecodedLength(codePage, body.substr(line.begin, bytes.size() + after.size())) - DecodedLength(codePage, after);
}

// New text in the file's encoding, or nothing when the encoding cannot hold it.
std::optional<std::string> EncodeExactly(CIniEncoding encoding, const std::wstring& text) {
  std::string bytes;
  switch (encoding) {
    case CIniEncoding::Utf16Le: return EncodeUtf16(text, false);
    case CIniEncoding::Utf16Be: return EncodeUtf16(text, true);
    case CIniEncoding::Utf8: bytes = ToUtf8(text); break;
    case CIniEncoding::Ansi: bytes = ToThreadAnsi(text); break;
  }
  if ((encoding == CIniEncoding::Utf8 ? FromUtf8(bytes) : FromThreadAnsi(bytes)) != text) return std::nullopt;
  return bytes;
}

const char kUtf16LeMark[] = "\xFF\xFE";

// Temporary files of saves: "tav" and four hexadecimal digits, ".tmp", in the settings file's folder;
// no longer than "tavrino.ini", so they fit wherever the settings path does. Each save takes a name
// no other file has, so that two saves at once (two sessions, a folder shared by two machines)
// never write into one file.
constexpr wchar_t kSaveFilePrefix[] = L"tav";
constexpr wchar_t kSaveFileExtension[] = L".tmp";
constexpr std::size_t kSaveFileDigits = 4;
// The one name earlier versions used for every save.
constexpr wchar_t kEarlierSaveFileName[] = L"tavrino.tmp";

bool IsSaveFileName(std::wstring_view name) {
  const std::size_t prefix = std::size(kSaveFilePrefix) - 1, extension = std::size(kSaveFileExtension) - 1;
  if (EqualsAsciiNoCase(name, kEarlierSaveFileName)) return true;
  if (name.size() != prefix + kSaveFileDigits + extension || !EqualsAsciiNoCase(name.substr(0, prefix), kSaveFilePrefix) ||
      !EqualsAsciiNoCase(name.substr(prefix + kSaveFileDigits), kSaveFileExtension))
    return false;
  return std::all_of(name.begin() + prefix, name.begin() + prefix + kSaveFileDigits,
                     [](wchar_t c) { return c < 128 && std::isxdigit(c); });
}

// A new file of a name of its own beside the settings file, open for writing; removed again unless
// it has taken the settings file's place.
class CTemporaryFile {
public:
  explicit CTemporaryFile(const std::wstring& folder) {
    static std::atomic<unsigned> next{::GetCurrentProcessId() * 2654435761u + ::GetTickCount()};
    // A name that is taken is skipped; so is one that another save is removing (access denied).
    constexpr int kAttempts = 64;
    for (int attempt = 0;; ++attempt) {
      wchar_t name[16];
      std::swprintf(name, std::size(name), L"%ls%04X%ls", kSaveFilePrefix, next++ & 0xFFFF, kSaveFileExtension);
      path_ = JoinPath(folder, name);
      if (!FitsMaxPath(path_)) throw CIniFileException(ERROR_FILENAME_EXCED_RANGE);
      file_.Reset(::CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file_) return;
      const DWORD error = ::GetLastError();
      if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) ||
          attempt + 1 == kAttempts)
        throw CIniFileException(error ? error : ERROR_WRITE_FAULT);
    }
  }
  CTemporaryFile(const CTemporaryFile&) = delete;
  CTemporaryFile& operator=(const CTemporaryFile&) = delete;
  ~CTemporaryFile() {
    file_.Reset();
    if (!moved_) ::DeleteFileW(path_.c_str());
  }
  const std::wstring& Path() const { return path_; }
  HANDLE Handle() const { return file_.Get(); }
  // Closes the file, as a check: a failure to store what was written may show only here.
  bool Close() { return ::CloseHandle(file_.Detach()) != FALSE; }
  void Moved() { moved_ = true; }

private:
  std::wstring path_;
  CFileHandle file_;
  bool moved_ = false;
};

[[noreturn]] void ThrowLastSaveError() {
  const DWORD error = ::GetLastError();
  throw CIniFileException(error ? error : ERROR_WRITE_FAULT);
}

// Reads what was written back from the file and compares it with what was meant to be there: a
// write the system cut short without saying so (a full or failing drive, a network folder) fails
// here, before the file takes the settings file's place.
void ExpectInFile(HANDLE file, std::string_view bytes) {
  LARGE_INTEGER size{}, start{};
  if (!::GetFileSizeEx(file, &size) || !::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) ThrowLastSaveError();
  if (static_cast<unsigned long long>(size.QuadPart) != bytes.size()) throw CIniFileException(ERROR_WRITE_FAULT);
  std::vector<char> buffer(std::max<std::size_t>(std::min<std::size_t>(bytes.size(), 1 << 16), 1));
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min(buffer.size(), bytes.size() - done));
    if (!::ReadFile(file, buffer.data(), want, &n, nullptr)) ThrowLastSaveError();
    if (n == 0 || std::memcmp(buffer.data(), bytes.data() + done, n) != 0) throw CIniFileException(ERROR_WRITE_FAULT);
    done += n;
  }
}

// The attributes a saved file keeps. It is written anew, so it is also marked for the next backup.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Puts `bytes` in the place of the file at `path` in one step: readers see the old file or the new
// one, never a part, and a process that ends meanwhile leaves the old one (and a temporary file that
// RemoveSaveLeftovers takes away later).
void ReplaceWhole(const std::wstring& path, const std::string& bytes) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // Windows refuses to replace a read-only file; refuse before writing anything.
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) throw CIniFileException(ERROR_ACCESS_DENIED);
  CTemporaryFile temporary(FolderPart(path));
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD n = 0;
    ::SetLastError(0);
    if (!::WriteFile(temporary.Handle(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr) ||
        n == 0)
      ThrowLastSaveError();
    done += n;
  }
  if (!::FlushFileBuffers(temporary.Handle())) ThrowLastSaveError();
  ExpectInFile(temporary.Handle(), bytes);
  if (!temporary.Close()) ThrowLastSaveError();
  // The new file takes the old one's attributes: a hidden file stays hidden. MoveFileExW carries
  // neither the old file's security nor its alternate streams over: the new file has the folder's
  // inherited security, as every file this program creates there has, and streams (a download's
  // zone mark) mean nothing for settings. ReplaceFileW would carry them, but a failure of it can
  // leave the two files half swapped.
  if (exists && (attributes & kKeptAttributes) &&
      !::SetFileAttributesW(temporary.Path().c_str(), (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE))
    ThrowLastSaveError();
  // A program that holds the settings file for a moment (as backup, sync and antivirus tools do)
  // refuses the replacement meanwhile: wait for it as the reading does.
  constexpr DWORD kRetryStepMs = 10;
  const ULONGLONG deadline = ::GetTickCount64() + kSettingsSharingWaitMs;
  while (!::MoveFileExW(temporary.Path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION) ||
        ::GetTickCount64() >= deadline)
      throw CIniFileException(error ? error : ERROR_WRITE_FAULT);
    ::Sleep(kRetryStepMs);
  }
  temporary.Moved();
}

}  // namespace

CIniFormatError::CIniFormatError(const std::wstring& path)
    : CAppError(FillPlaceholder(L"設定ファイルが読み取れる形式ではありません。\n【パス】%s", path)) {}

void CIniFile::Read(unsigned long sharingWaitMs) {
  CFileHandle file = OpenForReading(path_, sharingWaitMs);
  exists_ = static_cast<bool>(file);
  bytes_ = exists_ ? ReadAll(file.Get()) : std::string();
  std::wstring text = Decode(bytes_);
  // The platform reads such text only up to the first NUL of each line: not a file of ours (a
  // UTF-16 file without its byte-order mark looks so).
  if (text.find(L'\0') != std::wstring::npos) throw CIniFormatError(path_);
  text_ = CIniText(std::move(text));
  writes_.clear();
}

std::wstring CIniFile::GetString(const wchar_t* key, const wchar_t* defaultValue) const {
  std::optional<std::wstring> value = text_.GetString(section_, key, static_cast<std::size_t>(bufferSize_));
  return value ? *value : std::wstring(defaultValue);
}

bool CIniFile::GetBool(const wchar_t* key, bool defaultValue) const {
  std::wstring value = GetString(key, defaultValue ? L"True" : L"False");
  return ::lstrcmpiW(value.c_str(), L"True") == 0;
}

int CIniFile::GetInt(const wchar_t* key, int defaultValue) const {
  std::optional<long> value = text_.GetInt(section_, key);
  return value ? static_cast<int>(*value) : defaultValue;
}

void CIniFile::WriteString(const wchar_t* key, const std::wstring& value) { writes_.emplace_back(key, value); }

void CIniFile::WriteBool(const wchar_t* key, bool value) { WriteString(key, value ? L"True" : L"False"); }

void CIniFile::WriteInt(const wchar_t* key, int value) { WriteString(key, std::to_wstring(value)); }

std::string CIniFile::Encode() const {
  const std::vector<CIniText::CEdit> edits = text_.PlanWrites(section_, writes_);
  // A new file is UTF-16, so that every character of a value is kept.
  if (!exists_) return kUtf16LeMark + EncodeUtf16(text_.Apply(edits), false);
  const CIniEncodingMark mark = DetectIniEncoding(bytes_);
  if (mark.encoding == CIniEncoding::Utf16Le || mark.encoding == CIniEncoding::Utf16Be)
    return bytes_.substr(0, mark.markLength) + EncodeUtf16(text_.Apply(edits), mark.encoding == CIniEncoding::Utf16Be);
  // 8-bit text: the lines we do not change keep their very bytes, odd ones included. The bytes of a
  // line are found by decoding the file's byte lines one by one from the top, as far as the edits
  // need. A line as the reader sees it may hold several byte lines (a cut character took a line
  // break): it is kept or replaced whole, so that what we write is where the reader finds it.
  const std::string_view body = std::string_view(bytes_).substr(mark.markLength);
  const std::vector<CIniLine>& lines = text_.Lines();
  const UINT codePage = CodePageOf(mark.encoding);
  std::size_t bytePos = 0, textPos = 0;  // the first byte line not decoded yet, and where its text begins
  auto byteOffset = [&](std::size_t line) {
    if (line == lines.size()) return body.size();
    while (textPos < lines[line].begin && bytePos < body.size()) {
      const CIniLine byteLine = NextIniLine(body, bytePos);
      textPos += DecodedLineLength(codePage, body, byteLine);
      bytePos = byteLine.end;
    }
    // Read's decoding of the whole file and this one disagree: nothing can be kept for sure.
    if (textPos != lines[line].begin) throw CIniFileException(ERROR_INVALID_DATA);
    return bytePos;
  };
  std::string out = bytes_.substr(0, mark.markLength);
  out.reserve(bytes_.size() + 2048);
  bool exact = true;
  text_.Walk(
      edits,
      [&](std::size_t first, std::size_t end) {
        const std::size_t from = byteOffset(first);
        out.append(body.substr(from, byteOffset(end) - from));
      },
      [&](const std::wstring& text) {
        std::optional<std::string> bytes = EncodeExactly(mark.encoding, text);
        if (bytes) out += *bytes;
        exact = exact && bytes.has_value();
      });
  if (exact) return out;
  // A value the file's code page cannot hold: the whole text, as read, goes over to UTF-16 rather
  // than lose it.
  return kUtf16LeMark + EncodeUtf16(text_.Apply(edits), false);
}

void CIniFile::Save() const {
  const std::string bytes = Encode();
  // Never write what would not read back as meant.
  const CIniText written(Decode(bytes));
  for (const auto& [key, value] : writes_)
    if (written.GetString(section_, key, value.size() + 2) != value) throw CIniFileException(ERROR_INVALID_DATA);
  ReplaceWhole(path_, bytes);
}

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

namespace {

void ReadValues(const CIniFile& ini, CSettings& s) {
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

}  // namespace

void LoadSettingsChecked(CSettings& settings, unsigned long sharingWaitMs) {
  CIniFile ini(settings.GetIniFilePath());
  ini.Read(sharingWaitMs);
  CSettings loaded;
  ReadValues(ini, loaded);
  loaded.SetIniFilePath(settings.GetIniFilePath());
  settings = loaded;
}

void LoadSettings(CSettings& settings) {
  try {
    LoadSettingsChecked(settings, kRightClickSharingWaitMs);
  } catch (const CAppError&) {
    CSettings defaults;
    defaults.SetIniFilePath(settings.GetIniFilePath());
    settings = defaults;
  }
}

void SaveSettings(const CSettings& s) {
  CIniFile ini(s.GetIniFilePath());
  try {
    ini.Read();
  } catch (const CSystemError& e) {
    throw CIniFileException(e.Code());
  }
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
  ini.Save();
}

void RemoveSaveLeftovers(const std::wstring& iniPath) {
  const std::wstring folder = FolderPart(iniPath);
  WIN32_FIND_DATAW found;
  CFindHandle find(::FindFirstFileW(JoinPath(folder, L"*.tmp").c_str(), &found));
  if (!find) return;
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) { return ULARGE_INTEGER{{t.dwLowDateTime, t.dwHighDateTime}}.QuadPart; };
  constexpr ULONGLONG kMinute = 60ull * 10000000;  // in units of 100 ns
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsSaveFileName(found.cFileName) &&
        ticks(found.ftLastWriteTime) + kMinute < ticks(now))
      ::DeleteFileW(JoinPath(folder, found.cFileName).c_str());
  } while (::FindNextFileW(find.Get(), &found));
}
