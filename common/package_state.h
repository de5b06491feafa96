#pragma once
// Whether Windows 11's own menu carries our package for this user, asked of Windows itself. The
// classic handler stands back only where the package serves this very folder; the configuration
// program registers the package only where such a menu exists.
#include <windows.h>

#include <optional>
#include <string>

// The build Windows really runs: RtlGetVersion, since GetVersionEx answers what the manifest claims.
DWORD RealWindowsBuild();

// Windows 11 (build 22000) shows only packaged command handlers in the menu a right-click opens.
constexpr DWORD kFirstTopLevelMenuBuild = 22000;
constexpr bool HasTopLevelMenu(DWORD build) { return build >= kFirstTopLevelMenuBuild; }

// The folder our package is registered for in this user's account (its external location), or
// nothing when it is not registered or the system has no package functions (Windows 10 before
// 2004, Wine).
std::optional<std::wstring> RegisteredPackageFolder();

// The package is registered for `folder` on a build whose menu shows it: the classic handler then
// adds nothing, so that the menu shows one entry. The first form is the rule, the second asks Windows.
bool TopLevelMenuServes(const std::wstring& folder, DWORD build, const std::optional<std::wstring>& registeredFolder);
bool TopLevelMenuServes(const std::wstring& folder);
