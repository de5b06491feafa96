#include "package_plan_model.h"

namespace {

bool IsPowerShellSingleQuote(wchar_t c) {
  return c == L'\'' || c == L'\u2018' || c == L'\u2019' || c == L'\u201A' || c == L'\u201B';
}

// Cmdlets, parameters and property reads only: where policy holds PowerShell to its constrained
// language (AppLocker, WDAC), a method call on a .NET type is refused, and a refusal in the error
// handler would hide the system's reason. The message goes to a file of the program's naming,
// since the console's code page is unknown without a console; a hidden window has no use for
// progress drawing.
std::wstring Guarded(std::wstring_view body, std::wstring_view messageFile) {
  return L"$ErrorActionPreference='Stop';$ProgressPreference='SilentlyContinue';try{" + std::wstring(body) +
         L"}catch{$c=$_.Exception.HResult;if(!$c){$c=1};Set-Content -LiteralPath " + PowerShellLiteral(messageFile) +
         L" -Value $_.Exception.Message -Encoding UTF8 -ErrorAction SilentlyContinue;exit $c}";
}

bool IsWildcardCharacter(wchar_t c) { return c == L'[' || c == L']' || c == L'*' || c == L'?' || c == L'`'; }

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

std::wstring PowerShellWildcardLiteral(std::wstring_view path) {
  std::wstring escaped;
  for (wchar_t c : path) {
    if (IsWildcardCharacter(c)) escaped += L'`';
    escaped += c;
  }
  return PowerShellLiteral(escaped);
}

std::wstring AddPackageScript(std::wstring_view packagePath, std::wstring_view folder, std::wstring_view messageFile) {
  return Guarded(L"Add-AppxPackage -Path " + PowerShellWildcardLiteral(packagePath) + L" -ExternalLocation " +
                     PowerShellLiteral(folder),
                 messageFile);
}

std::wstring RemovePackagesScript(const std::vector<std::wstring>& fullNames, std::wstring_view messageFile) {
  std::wstring body;
  for (const std::wstring& name : fullNames)
    body += (body.empty() ? L"" : L";") + (L"Remove-AppxPackage -Package " + PowerShellLiteral(name));
  return Guarded(body, messageFile);
}

std::optional<std::wstring> PowerShellCommandLine(std::wstring_view powershell, std::wstring_view script) {
  if (script.find(L'"') != std::wstring_view::npos || powershell.find(L'"') != std::wstring_view::npos)
    return std::nullopt;
  // Backslashes right before the closing quote would escape it: doubled, they stay backslashes.
  std::size_t trailing = script.size() - (script.find_last_not_of(L'\\') + 1);
  return L"\"" + std::wstring(powershell) + L"\" -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"" +
         std::wstring(script) + std::wstring(trailing, L'\\') + L"\"";
}
