#include "int_list.h"

#include <cwchar>

std::vector<long> ParseIntList(std::wstring_view text) {
  std::vector<long> out;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t comma = text.find(L',', pos);
    if (comma == std::wstring_view::npos) comma = text.size();
    if (comma > pos) {
      std::wstring piece(text.substr(pos, comma - pos));
      out.push_back(std::wcstol(piece.c_str(), nullptr, 10));
    }
    pos = comma + 1;
  }
  return out;
}

std::wstring FormatIntList(const std::vector<int>& values) {
  std::wstring out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) out += L',';
    out += std::to_wstring(values[i]);
  }
  return out;
}
