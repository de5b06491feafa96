#pragma once
// Comma-separated integer lists, as the settings file stores the menu and the name-part lists.
#include <string>
#include <string_view>
#include <vector>

// Splits at commas, skips empty pieces and reads each piece as a base-10 number the way wcstol
// does: leading blanks skipped, optional sign, digits up to the first other character, 0 without digits.
std::vector<long> ParseIntList(std::wstring_view text);

// Decimal numbers joined by "," with nothing else.
std::wstring FormatIntList(const std::vector<int>& values);
