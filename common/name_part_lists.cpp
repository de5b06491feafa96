#include "name_part_lists.h"

#include "int_list.h"

bool IsNamePartId(long id) { return id >= 0 && id < kNamePartCount; }

bool CNamePartIds::Contains(int id) const {
  for (int listed : *this)
    if (listed == id) return true;
  return false;
}

CNamePartIds NamePartChecksOf(std::wstring_view text) {
  CNamePartIds ids;
  ForEachListedInt(text, [&ids](long id) {
    if (IsNamePartId(id) && !ids.Contains(static_cast<int>(id))) ids.ids[ids.count++] = static_cast<int>(id);
  });
  return ids;
}

CNamePartIds NamePartOrderOf(std::wstring_view text) {
  CNamePartIds order = NamePartChecksOf(text);
  for (int id = 0; id < kNamePartCount; ++id)
    if (!order.Contains(id)) order.ids[order.count++] = id;
  return order;
}
