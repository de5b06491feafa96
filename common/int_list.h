#pragma once
// Comma-separated integer lists, as the settings file stores the menu and the name-part lists.
#include <cwchar>
#include <cwctype>
#include <string>
#include <string_view>
#include <vector>

// One piece of a list read the way wcstol reads it: leading blanks skipped, optional sign, digits up
// to the first other character, 0 without digits. Copied to a small buffer for wcstol, which needs
// a terminated text; blanks and all but the last of the leading zeros are dropped first, so that a
// piece is cut short only past thirty characters that are not ASCII zeros: if they are all digits,
// the number overflows anyway (leading zeros of other scripts aside).
inline long ReadListedInt(std::wstring_view piece) {
  std::size_t i = 0;
  while (i < piece.size() && std::iswspace(piece[i])) ++i;
  wchar_t buffer[32];
  std::size_t n = 0;
  if (i < piece.size() && (piece[i] == L'+' || piece[i] == L'-')) buffer[n++] = piece[i++];
  while (i + 1 < piece.size() && piece[i] == L'0' && piece[i + 1] == L'0') ++i;
  while (i < piece.size() && n + 1 < std::size(buffer)) buffer[n++] = piece[i++];
  buffer[n] = L'\0';
  return std::wcstol(buffer, nullptr, 10);
}

// Calls `f` with the number of each piece between commas, skipping empty pieces. Takes nothing from
// the heap, for the keyboard hook's reading of the name-part lists.
template <typename F>
void ForEachListedInt(std::wstring_view text, F&& f) {
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t comma = text.find(L',', pos);
    if (comma == std::wstring_view::npos) comma = text.size();
    if (comma > pos) f(ReadListedInt(text.substr(pos, comma - pos)));
    pos = comma + 1;
  }
}

// The numbers of the list, in order.
std::vector<long> ParseIntList(std::wstring_view text);

// Decimal numbers joined by "," with nothing else.
std::wstring FormatIntList(const std::vector<int>& values);
