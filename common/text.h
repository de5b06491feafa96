#pragma once
// Plain text helpers, free of the window system so they can be tested anywhere.
#include <string>
#include <string_view>

// Replaces every occurrence of `from` by `to`.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to);

// Equal but for the case of ASCII letters (no other letter matches an ASCII one).
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);

// Fills the first "%s" of a template with `value` (the templates of this system have at most one per value,
// and filling them this way cannot misread a "%" inside the value).
std::wstring FillPlaceholder(std::wstring_view templ, std::wstring_view value);

// Joins a folder and a name with exactly one backslash, whether or not the folder ends in one
// (a drive root "C:\" gives "C:\name").
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

// Length of the root a path begins with: 3 for "C:\", 2 for "C:", the server and share of
// "\\server\share", 1 for a lone "\"; 0 for a relative path.
std::size_t PathRootLength(std::wstring_view path);

// The folder part of a path, the one rule for every caller: the path before its last backslash,
// but never less than its root ("C:\a.txt" and "C:\" give "C:\", "\\server\share\a" gives
// "\\server\share"). Empty when the path holds no backslash.
std::wstring FolderPart(std::wstring_view path);
// What follows the last backslash: the name a path ends in ("" after a trailing backslash, the
// whole path when it holds none).
std::wstring_view NamePart(std::wstring_view path);
// The path without the backslashes it ends in, but never less than its root ("C:\a\\" gives
// "C:\a", "C:\" stays).
std::wstring_view WithoutTrailingBackslashes(std::wstring_view path);

// Paths this system builds must fit the classic 260-unit buffers, terminator included.
constexpr std::size_t kMaxPathUnits = 260;
inline bool FitsMaxPath(std::wstring_view path) { return path.size() < kMaxPathUnits; }
