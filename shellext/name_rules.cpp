#include "name_rules.h"

#include <cstdio>

#include "date_separators.h"
#include "regexp.h"
#include "text.h"

const wchar_t* const kShortcutSuffixPattern = L"{ へのショートカット}$";
const wchar_t* const kCopyPrefixPattern = L"^{((コピー \\(\\d+\\) ～ )|(コピー ～ ))}";
const wchar_t* const kNumericHeadPattern = L"^{([_. \\-(){}\\[\\]]*[0-9][_. \\-(){}\\[\\]]*)+}[^0-9_. \\-(){}\\[\\]]+";
const wchar_t* const kNumericTailPattern = L"[^0-9_. \\-(){}\\[\\]]+{([_. \\-(){}\\[\\]]*[0-9][_. \\-(){}\\[\\]]*)+}$";

std::optional<FoundGroup> FindGroup(const wchar_t* pattern, const std::wstring& text) {
  CRegExp re;
  if (re.Parse(pattern, false) != ErrNone) return std::nullopt;
  CRegExpMatch m;
  if (!re.Match(text.c_str(), &m) || m.GetGroupCount() < 1 || !m.GetGroupStart(0)) return std::nullopt;
  return FoundGroup{static_cast<std::size_t>(m.GetGroupStart(0) - text.c_str()),
                    static_cast<std::size_t>(m.GetGroupEnd(0) - m.GetGroupStart(0))};
}

std::wstring AsciiLower(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

std::wstring AsciiUpper(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return text;
}

std::optional<std::wstring> NumericHead(const std::wstring& baseName) {
  auto g = FindGroup(kNumericHeadPattern, baseName);
  if (!g) return std::nullopt;
  return baseName.substr(g->start, g->length);
}

std::optional<std::wstring> NumericTail(const std::wstring& baseName) {
  auto g = FindGroup(kNumericTailPattern, baseName);
  if (!g) return std::nullopt;
  return baseName.substr(g->start, g->length);
}

namespace {

std::wstring Compose(const NameParts& p, const std::wstring& base, const std::wstring& extension) {
  return JoinPath(p.FolderPath, base + extension);
}

}  // namespace

std::optional<std::wstring> PathWithoutShortcutSuffix(const NameParts& p) {
  auto g = FindGroup(kShortcutSuffixPattern, p.BaseName);
  if (!g) return std::nullopt;
  return Compose(p, p.BaseName.substr(0, p.BaseName.size() - g->length), p.Extension);
}

std::wstring PathWithoutCopyPrefix(const NameParts& p, bool all) {
  std::wstring rest = p.BaseName;
  while (auto g = FindGroup(kCopyPrefixPattern, rest)) {
    rest.erase(0, g->start + g->length);
    if (!all) break;
  }
  return Compose(p, rest, p.Extension);
}

std::optional<std::wstring> PathWithoutNumericHead(const NameParts& p) {
  auto g = FindGroup(kNumericHeadPattern, p.BaseName);
  if (!g) return std::nullopt;
  return Compose(p, p.BaseName.substr(g->start + g->length), p.Extension);
}

std::optional<std::wstring> PathWithoutNumericTail(const NameParts& p) {
  auto g = FindGroup(kNumericTailPattern, p.BaseName);
  if (!g) return std::nullopt;
  return Compose(p, p.BaseName.substr(0, g->start), p.Extension);
}

bool HasNameDisableMarker(const std::wstring& baseName) { return baseName.compare(0, 2, L"~$") == 0; }

bool HasExtensionDisableMarker(const std::wstring& extension) { return !extension.empty() && extension.back() == L'$'; }

std::wstring PathWithNameDisabled(const NameParts& p) { return Compose(p, L"~$" + p.BaseName, p.Extension); }

std::optional<std::wstring> PathWithNameEnabled(const NameParts& p) {
  if (!HasNameDisableMarker(p.BaseName)) return std::nullopt;
  return Compose(p, p.BaseName.substr(2), p.Extension);
}

std::wstring PathWithExtensionDisabled(const NameParts& p) { return Compose(p, p.BaseName, p.Extension + L"$"); }

std::optional<std::wstring> PathWithExtensionEnabled(const NameParts& p) {
  if (!HasExtensionDisableMarker(p.Extension)) return std::nullopt;
  return Compose(p, p.BaseName, p.Extension.substr(0, p.Extension.size() - 1));
}

std::wstring AutoNumberedPath(const NameParts& p, int n, bool zeroPad) {
  wchar_t number[16];
  std::swprintf(number, 16, zeroPad ? L"%03d" : L"%d", n);
  return Compose(p, p.BaseName + L"(" + number + L")", p.Extension);
}

const wchar_t* DateConnector(bool addConnector, int index) {
  return addConnector ? DateSeparatorOf(index) : L"";
}

std::wstring DatedPath(const NameParts& p, const std::wstring& stamp, const std::wstring& connector, bool head) {
  return head ? Compose(p, stamp + connector + p.BaseName, p.Extension)
              : Compose(p, p.BaseName + connector + stamp, p.Extension);
}

std::wstring NumberedDatedPath(const NameParts& p, const std::wstring& stamp, int n, bool head) {
  std::wstring number = L"(" + std::to_wstring(n) + L")";
  return head ? Compose(p, stamp + number + L"_" + p.BaseName, p.Extension)
              : Compose(p, p.BaseName + L"_" + stamp + number, p.Extension);
}

std::wstring LabelDate(int year, int month, int day) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%04d年%02d月%02d日", year, month, day);
  return text;
}
