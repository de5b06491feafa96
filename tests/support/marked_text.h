#pragma once
// A text box's text and selection written as one string: "ab[cd]ef" has "cd" selected, "ab|cdef" has
// the caret after "b". Lets a test say what a box holds the way a user would see it.
#include <cstddef>
#include <string>
#include <string_view>

struct CMarkedText {
  std::wstring text;
  std::size_t start = 0;
  std::size_t end = 0;
};

CMarkedText ParseMarked(std::wstring_view marked);
// UTF-8, for test messages.
std::string ShowMarked(const CMarkedText& box);
