#include "package_state.h"

#include <vector>

#include "package_identity.h"

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

std::optional<std::wstring> RegisteredPackageFolder() {
  auto packagesOf = Function<GetPackagesByPackageFamilyFn>(L"kernel32.dll", "GetPackagesByPackageFamily");
  auto pathOf = Function<GetPackagePathByFullName2Fn>(L"kernel32.dll", "GetPackagePathByFullName2");
  if (!packagesOf || !pathOf) return std::nullopt;

  UINT32 count = 0, bufferLength = 0;
  LONG result = packagesOf(kPackageFamilyName, &count, nullptr, &bufferLength, nullptr);
  if (result != ERROR_INSUFFICIENT_BUFFER || count == 0) return std::nullopt;
  std::vector<PWSTR> names(count);
  std::vector<WCHAR> buffer(bufferLength);
  if (packagesOf(kPackageFamilyName, &count, names.data(), &bufferLength, buffer.data()) != ERROR_SUCCESS ||
      count == 0)
    return std::nullopt;

  UINT32 length = 0;
  if (pathOf(names[0], kPackagePathTypeEffectiveExternal, &length, nullptr) != ERROR_INSUFFICIENT_BUFFER)
    return std::nullopt;
  std::vector<WCHAR> path(length);
  if (pathOf(names[0], kPackagePathTypeEffectiveExternal, &length, path.data()) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring folder(path.data());
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

bool TopLevelMenuServes(const std::wstring& folder, DWORD build, const std::optional<std::wstring>& registeredFolder) {
  return HasTopLevelMenu(build) && registeredFolder &&
         ::CompareStringOrdinal(registeredFolder->c_str(), -1, folder.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool TopLevelMenuServes(const std::wstring& folder) {
  // Windows 10 is never asked about packages: the classic handler is its only menu.
  const DWORD build = RealWindowsBuild();
  return HasTopLevelMenu(build) && TopLevelMenuServes(folder, build, RegisteredPackageFolder());
}
