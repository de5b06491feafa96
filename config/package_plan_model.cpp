#include "package_plan_model.h"

namespace {

bool IsPowerShellSingleQuote(wchar_t c) {
  return c == L'\'' || c == L'\u2018' || c == L'\u2019' || c == L'\u201A' || c == L'\u201B';
}

std::wstring Guarded(std::wstring_view body) {
  // The message goes out as bytes of our choosing: the console's code page is unknown without a
  // console, and a hidden window has no use for progress drawing.
  return L"$ErrorActionPreference='Stop';$ProgressPreference='SilentlyContinue';try{" + std::wstring(body) +
         L"}catch{$b=[Text.Encoding]::UTF8.GetBytes($_.Exception.Message);$e=[Console]::OpenStandardError();"
         L"$e.Write($b,0,$b.Length);$e.Flush();$c=$_.Exception.HResult;if(!$c){$c=1};exit $c}";
}

}  // namespace

std::vector<CPackageStep> PackagePlan(const CPackageFacts& facts, bool wanted) {
  if (!facts.topLevelMenu) return {};
  if (!wanted) return facts.registered ? std::vector{CPackageStep::Remove} : std::vector<CPackageStep>{};
  if (!facts.packageFilePresent || facts.registeredHere) return {};
  // One version cannot be registered twice: the old folder's registration goes first.
  if (facts.registered) return {CPackageStep::Remove, CPackageStep::Add};
  return {CPackageStep::Add};
}

std::wstring PowerShellLiteral(std::wstring_view text) {
  std::wstring literal = L"'";
  for (wchar_t c : text) {
    literal += c;
    if (IsPowerShellSingleQuote(c)) literal += c;
  }
  return literal + L"'";
}

std::wstring AddPackageScript(std::wstring_view packagePath, std::wstring_view folder) {
  return Guarded(L"Add-AppxPackage -Path " + PowerShellLiteral(packagePath) + L" -ExternalLocation " +
                 PowerShellLiteral(folder));
}

std::wstring RemovePackageScript(std::wstring_view packageName) {
  return Guarded(L"Get-AppxPackage -Name " + PowerShellLiteral(packageName) + L" | Remove-AppxPackage");
}

std::optional<std::wstring> PowerShellCommandLine(std::wstring_view powershell, std::wstring_view script) {
  if (script.find(L'"') != std::wstring_view::npos || powershell.find(L'"') != std::wstring_view::npos)
    return std::nullopt;
  // Backslashes right before the closing quote would escape it: doubled, they stay backslashes.
  std::size_t trailing = script.size() - (script.find_last_not_of(L'\\') + 1);
  return L"\"" + std::wstring(powershell) + L"\" -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"" +
         std::wstring(script) + std::wstring(trailing, L'\\') + L"\"";
}
