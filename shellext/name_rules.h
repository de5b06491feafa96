#pragma once
// How the renaming commands compute new names: name parts in, new path out. Plain C++ without the
// window system, so every rule can be tested anywhere.
#include <optional>
#include <string>
#include <string_view>

struct NameParts {
  std::wstring FolderPath;
  std::wstring BaseName;
  std::wstring Extension;
};

// The four patterns, matched case-insensitively against the base name.
extern const wchar_t* const kShortcutSuffixPattern;
extern const wchar_t* const kCopyPrefixPattern;
extern const wchar_t* const kNumericHeadPattern;
extern const wchar_t* const kNumericTailPattern;

// Group 0 of `pattern` in `text`: its offset and length, or nothing when the pattern does not match.
struct FoundGroup {
  std::size_t start;
  std::size_t length;
};
std::optional<FoundGroup> FindGroup(const wchar_t* pattern, const std::wstring& text);

// Only ASCII letters change case; full-width and accented letters stay.
std::wstring AsciiLower(std::wstring text);
std::wstring AsciiUpper(std::wstring text);

// The digit run (with its separators) that the menu shows and the command removes.
std::optional<std::wstring> NumericHead(const std::wstring& baseName);
std::optional<std::wstring> NumericTail(const std::wstring& baseName);

std::optional<std::wstring> PathWithoutShortcutSuffix(const NameParts& p);
// Strips one copy decoration, or all of them; the unchanged path when there is none.
std::wstring PathWithoutCopyPrefix(const NameParts& p, bool all);
std::optional<std::wstring> PathWithoutNumericHead(const NameParts& p);
std::optional<std::wstring> PathWithoutNumericTail(const NameParts& p);
std::wstring PathWithNameDisabled(const NameParts& p);
std::optional<std::wstring> PathWithNameEnabled(const NameParts& p);
std::wstring PathWithExtensionDisabled(const NameParts& p);
std::optional<std::wstring> PathWithExtensionEnabled(const NameParts& p);
// The markers themselves: "~$" at the head of the base name, "$" at the end of the extension.
bool HasNameDisableMarker(const std::wstring& baseName);
bool HasExtensionDisableMarker(const std::wstring& extension);

// "name(n)ext", n formatted plainly or zero-padded to three digits.
std::wstring AutoNumberedPath(const NameParts& p, int n, bool zeroPad);
constexpr int kMaxAutoNumber = 999;

// The connector between stamp and name; an index outside the table gives the first connector.
const wchar_t* DateConnector(bool addConnector, int index);
// Stamp before (head) or after the base name.
std::wstring DatedPath(const NameParts& p, const std::wstring& stamp, const std::wstring& connector, bool head);
// The numbered form a copy takes while the dated name exists: "stamp(n)_name" or "name_stamp(n)".
std::wstring NumberedDatedPath(const NameParts& p, const std::wstring& stamp, int n, bool head);

// The fixed date of the file-date labels: "2014年03月05日".
std::wstring LabelDate(int year, int month, int day);
