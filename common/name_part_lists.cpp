#include "name_part_lists.h"

#include <algorithm>

#include "int_list.h"

bool IsNamePartId(long id) { return id >= 0 && id < kNamePartCount; }

std::vector<int> ReadNamePartChecks(std::wstring_view text) {
  std::vector<int> ids;
  for (long id : ParseIntList(text))
    if (IsNamePartId(id) && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(static_cast<int>(id));
  return ids;
}

std::vector<int> ReadNamePartOrder(std::wstring_view text) {
  std::vector<int> order = ReadNamePartChecks(text);
  for (int id = 0; id < kNamePartCount; ++id)
    if (std::find(order.begin(), order.end(), id) == order.end()) order.push_back(id);
  return order;
}
