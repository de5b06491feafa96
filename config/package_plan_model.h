#pragma once
// The package that puts our submenu into Windows 11's own menu, decided without the system: which
// steps bring it in line with the user's wish, and the PowerShell command lines that take them.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class CPackageStep { Remove, Add };

// What the system says before anything is done.
struct CPackageFacts {
  bool topLevelMenu = false;        // Windows' own menu shows only packaged handlers
  bool packageFilePresent = false;  // the signed package lies beside the programs
  bool registered = false;          // registered for this user, for whatever folder
  bool registeredHere = false;      // ... for this very folder
};

// Wanted: added where it is missing; where it serves another folder (the install folder was
// moved), removed and added again. Not wanted: removed wherever it is registered, so that nothing
// of ours is left. Nothing at all where Windows' menu does not show packages.
std::vector<CPackageStep> PackagePlan(const CPackageFacts& facts, bool wanted);

// A PowerShell single-quoted literal of `text`: every character PowerShell reads as a single quote
// (the apostrophe and the four typographic ones) is doubled; nothing else is touched.
std::wstring PowerShellLiteral(std::wstring_view text);

// A literal for a parameter that expands wildcards (Add-AppxPackage's -Path): `[`, `]`, `*`, `?`
// and the backtick are escaped with a backtick, so that a folder like `tools[1]` is taken as it is.
std::wstring PowerShellWildcardLiteral(std::wstring_view path);

// The scripts. Each stops at the first error; its error handler writes the error's message to
// `messageFile` (UTF-8 with a byte-order mark) and exits with the error's HRESULT.
std::wstring AddPackageScript(std::wstring_view packagePath, std::wstring_view folder, std::wstring_view messageFile);
// Removes exactly the packages named by their full names: those Windows reports for our family.
// Selected by name alone, a package of the same name signed by another publisher would go too.
std::wstring RemovePackagesScript(const std::vector<std::wstring>& fullNames, std::wstring_view messageFile);

// The command line that runs `script` hidden from any profile, prompt or execution policy, the
// program named by its full path. Nothing when the script holds a double quote: it travels as one
// quoted argument, and no path can hold one.
std::optional<std::wstring> PowerShellCommandLine(std::wstring_view powershell, std::wstring_view script);
