#pragma once
// The connectors of "DateTimeConnectionString", by index: the one table for the extension, the
// options page and the keyboard extension. Plain C++, so the name rules can use it too.

#include <cstdint>

constexpr const wchar_t* DateSeparators[3] = {L"_", L"-", L" "};
// An index the table lacks (a hand-edited file) gives the first connector.
constexpr const wchar_t* DateSeparatorOf(std::int32_t index) {
  return index >= 0 && index < 3 ? DateSeparators[index] : DateSeparators[0];
}
