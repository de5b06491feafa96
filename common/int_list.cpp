#include "int_list.h"

std::vector<long> ParseIntList(std::wstring_view text) {
  std::vector<long> out;
  ForEachListedInt(text, [&out](long value) { out.push_back(value); });
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
