#include "test_support.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <vector>
#include <stdexcept>

#include "app.h"
#include "errors.h"
#include "handles.h"
#include "text.h"

bool RunsOnWine() {
  static const bool wine = [] {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
  }();
  return wine;
}

std::wstring TestDir() { return FolderPart(ModuleFileName(nullptr)); }

std::wstring BinDir() { return JoinPath(FolderPart(TestDir()), L"bin"); }

CTempDir::CTempDir(const std::wstring& hint) {
  static LONG counter = 0;
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  for (;;) {
    path_ = JoinPath(temp, L"tavrino_" + hint + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                               std::to_wstring(::InterlockedIncrement(&counter)));
    if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create a temporary folder");
  }
}

CTempDir::~CTempDir() { RemoveTree(path_); }

std::wstring CTempDir::operator/(const std::wstring& name) const { return JoinPath(path_, name); }

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(JoinPath(path, L"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = JoinPath(path, name);
      ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else
        ::DeleteFileW(child.c_str());
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(path.c_str());
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::wstring& path) {
  DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + U8(path));
  DWORD written = 0;
  ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(f);
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read " + U8(path));
  std::string out;
  char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  ::CloseHandle(f);
  return out;
}

std::string Utf16Bytes(const std::wstring& text, bool bigEndian) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes += static_cast<char>(bigEndian ? c >> 8 : c & 0xFF);
    bytes += static_cast<char>(bigEndian ? c & 0xFF : c >> 8);
  }
  return bytes;
}

void CopyDeliverables(const std::wstring& folder, const std::vector<std::wstring>& names) {
  for (const std::wstring& name : names) {
    if (!::CopyFileW(JoinPath(BinDir(), name).c_str(), JoinPath(folder, name).c_str(), FALSE))
      throw std::runtime_error("cannot copy " + U8(name));
  }
}

bool AgeFile(const std::wstring& path, unsigned seconds) {
  HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
  time.QuadPart -= seconds * 10000000ull;
  const FILETIME then{time.LowPart, time.HighPart};
  const bool done = ::SetFileTime(file, nullptr, nullptr, &then);
  ::CloseHandle(file);
  return done;
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(JoinPath(folder, L"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string U8(const std::wstring& text) { return ToUtf8(text); }

bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
  // The mount-point reparse data: tag, length, then offsets and lengths of the substitute name
  // ("\\??\\" + target) and the print name, and both names, each terminated.
  const std::wstring names = L"\\??\\" + target + L'\0' + target + L'\0';
  const WORD substitute = static_cast<WORD>((target.size() + 4) * 2), print = static_cast<WORD>(target.size() * 2);
  const WORD header[] = {0, substitute, static_cast<WORD>(substitute + 2), print};
  std::vector<BYTE> data(16 + names.size() * 2);
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT, length = static_cast<DWORD>(data.size() - 8);
  std::memcpy(data.data(), &tag, 4);
  std::memcpy(data.data() + 4, &length, 2);
  std::memcpy(data.data() + 8, header, 8);
  std::memcpy(data.data() + 16, names.data(), names.size() * 2);
  CFileHandle folder(::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  DWORD returned = 0;
  const bool made = folder && ::DeviceIoControl(folder.Get(), FSCTL_SET_REPARSE_POINT, data.data(),
                                                static_cast<DWORD>(data.size()), nullptr, 0, &returned, nullptr);
  folder.Reset();
  if (!made) ::RemoveDirectoryW(link.c_str());
  return made;
}
