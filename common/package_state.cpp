#include "package_state.h"

#include <atomic>
#include <utility>
#include <vector>

#include "classic_class.h"
#include "handles.h"
#include "package_identity.h"
#include "text.h"

namespace {

// Declared here: mingw-w64 has no appmodel.h. Both modules are loaded in every process, so asking
// for them by name loads nothing.
using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
using GetPackagesByPackageFamilyFn = LONG(WINAPI*)(PCWSTR, UINT32*, PWSTR*, UINT32*, WCHAR*);
using GetPackagePathByFullName2Fn = LONG(WINAPI*)(PCWSTR, int, UINT32*, PWSTR);
constexpr int kPackagePathTypeEffectiveExternal = 5;

template <typename Fn>
Fn Function(const wchar_t* module, const char* name) {
  HMODULE handle = ::GetModuleHandleW(module);
  return handle ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(handle, name))) : nullptr;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The path of an open folder as the file system names it, in the ordinary form.
std::optional<std::wstring> FinalPathOf(const std::wstring& folder) {
  CFileHandle handle(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return std::nullopt;
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetFinalPathNameByHandleW(handle.Get(), path.data(), static_cast<DWORD>(path.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return std::nullopt;
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(n);
  }
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
  return path;
}

// Resolved folders of this process. A folder that cannot be opened is not kept: it may appear.
SRWLOCK g_finalLock = SRWLOCK_INIT;
std::vector<std::pair<std::wstring, std::wstring>> g_finalForms;
constexpr std::size_t kKeptFinalForms = 16;

// The record's value for each kind, in the order of CItemKind.
constexpr const wchar_t* kAskedValues[kItemKinds] = {
    L"TopLevelMenuAsked_File",     L"TopLevelMenuAsked_Folder",      L"TopLevelMenuAsked_Root",
    L"TopLevelMenuAsked_Shortcut", L"TopLevelMenuAsked_PifShortcut", L"TopLevelMenuAsked_InternetShortcut"};
std::atomic<unsigned> g_recorded{0};  // the kinds this process has written
// The class key, open for reading while this process reads the record. A handle outlives its key:
// after the classic registration was removed and made again it reads ERROR_KEY_DELETED, and the
// key is opened anew.
SRWLOCK g_recordKeyLock = SRWLOCK_INIT;
HKEY g_recordKey = nullptr;
unsigned Bit(CItemKind kind) { return 1u << static_cast<unsigned>(kind); }

const std::wstring& ClassKey() {
  static const std::wstring key = ClassicClassKeyPath();
  return key;
}

}  // namespace

DWORD RealWindowsBuild() {
  static const DWORD build = [] {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    auto rtlGetVersion = Function<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    return rtlGetVersion && rtlGetVersion(&info) == 0 ? info.dwBuildNumber : 0UL;
  }();
  return build;
}

std::vector<std::wstring> RegisteredPackageFullNames() {
  auto packagesOf = Function<GetPackagesByPackageFamilyFn>(L"kernel32.dll", "GetPackagesByPackageFamily");
  if (!packagesOf) return {};
  UINT32 count = 0, bufferLength = 0;
  if (packagesOf(kPackageFamilyName, &count, nullptr, &bufferLength, nullptr) != ERROR_INSUFFICIENT_BUFFER) return {};
  std::vector<PWSTR> names(count);
  std::vector<WCHAR> buffer(bufferLength);
  if (packagesOf(kPackageFamilyName, &count, names.data(), &bufferLength, buffer.data()) != ERROR_SUCCESS) return {};
  return std::vector<std::wstring>(names.begin(), names.begin() + count);
}

std::optional<std::wstring> RegisteredPackageFolder() {
  auto pathOf = Function<GetPackagePathByFullName2Fn>(L"kernel32.dll", "GetPackagePathByFullName2");
  if (!pathOf) return std::nullopt;
  const std::vector<std::wstring> names = RegisteredPackageFullNames();
  if (names.empty()) return std::nullopt;

  UINT32 length = 0;
  if (pathOf(names[0].c_str(), kPackagePathTypeEffectiveExternal, &length, nullptr) != ERROR_INSUFFICIENT_BUFFER)
    return std::nullopt;
  std::vector<WCHAR> path(length);
  if (pathOf(names[0].c_str(), kPackagePathTypeEffectiveExternal, &length, path.data()) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(WithoutTrailingBackslashes(path.data()));
}

std::wstring FinalFolderForm(const std::wstring& folder) {
  {
    CExclusiveLock lock(g_finalLock);
    for (const auto& [text, final] : g_finalForms)
      if (text == folder) return final;
  }
  std::optional<std::wstring> final = FinalPathOf(folder);
  if (!final) return std::wstring(WithoutTrailingBackslashes(folder));
  final->resize(WithoutTrailingBackslashes(*final).size());
  CExclusiveLock lock(g_finalLock);
  if (g_finalForms.size() == kKeptFinalForms) g_finalForms.erase(g_finalForms.begin());
  g_finalForms.emplace_back(folder, *final);
  return *final;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return EqualNoCase(WithoutTrailingBackslashes(a), WithoutTrailingBackslashes(b)) ||
         EqualNoCase(FinalFolderForm(a), FinalFolderForm(b));
}

bool TopLevelMenuServes(const std::wstring& folder, DWORD build, const std::optional<std::wstring>& registeredFolder) {
  return HasTopLevelMenu(build) && registeredFolder && SameFolder(*registeredFolder, folder);
}

bool TopLevelMenuAskRecorded(CItemKind kind) { return (g_recorded.load(std::memory_order_relaxed) & Bit(kind)) != 0; }

void RecordTopLevelMenuAsked(CItemKind kind, const std::wstring& folder) {
  if (TopLevelMenuAskRecorded(kind)) return;
  // Never creates the key: it belongs to the classic registration.
  CRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, ClassKey().c_str(), 0, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS) return;
  if (::RegSetValueExW(key.Get(), kAskedValues[static_cast<unsigned>(kind)], 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS)
    g_recorded.fetch_or(Bit(kind), std::memory_order_relaxed);
}

std::optional<std::wstring> TopLevelMenuAskedIn(CItemKind kind) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    {
      CSharedLock lock(g_recordKeyLock);
      if (g_recordKey) {
        // A value too long for any folder of ours counts as absent: the classic menu stays.
        wchar_t folder[1024];
        DWORD size = sizeof folder;
        LONG result = ::RegGetValueW(g_recordKey, nullptr, kAskedValues[static_cast<unsigned>(kind)], RRF_RT_REG_SZ,
                                     nullptr, folder, &size);
        if (result == ERROR_SUCCESS) return std::wstring(folder);
        if (result != ERROR_KEY_DELETED) return std::nullopt;
      }
    }
    CExclusiveLock lock(g_recordKeyLock);
    if (g_recordKey) ::RegCloseKey(std::exchange(g_recordKey, nullptr));
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, ClassKey().c_str(), 0, KEY_QUERY_VALUE, &g_recordKey) != ERROR_SUCCESS) {
      g_recordKey = nullptr;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

void CloseTopLevelMenuRecord() {
  CExclusiveLock lock(g_recordKeyLock);
  if (g_recordKey) ::RegCloseKey(std::exchange(g_recordKey, nullptr));
}

void ForgetTopLevelMenuRecord() {
  g_recorded.store(0, std::memory_order_relaxed);
  CRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, ClassKey().c_str(), 0, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS) return;
  for (const wchar_t* value : kAskedValues) ::RegDeleteValueW(key.Get(), value);
}

bool ClassicMenuStandsBack(const std::wstring& folder, DWORD build, const std::optional<std::wstring>& registeredFolder,
                           const std::optional<std::wstring>& askedIn) {
  return askedIn && TopLevelMenuServes(folder, build, registeredFolder) && SameFolder(*askedIn, folder);
}

bool ClassicMenuStandsBack(const std::wstring& folder, CItemKind kind) {
  // Windows 10 is never asked about packages: the classic handler is its only menu. The record is
  // read before the package functions: a kind never asked about ends there.
  const DWORD build = RealWindowsBuild();
  if (!HasTopLevelMenu(build)) return false;
  std::optional<std::wstring> askedIn = TopLevelMenuAskedIn(kind);
  return askedIn && ClassicMenuStandsBack(folder, build, RegisteredPackageFolder(), askedIn);
}
