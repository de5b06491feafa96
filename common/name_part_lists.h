#pragma once
// The two stored lists of file-name parts (0 base name, 1 extension, 2 whole name): the order in
// which F2 selects them and the parts that take part. One reading for the dialog that edits them
// and the hook that follows them, mended so that a hand-edited file can neither break the one nor
// give the other a part that does not exist. No window system here, and no heap: the hook library
// reads the lists as it starts.
#include <string_view>
#include <vector>

constexpr int kNamePartCount = 3;

bool IsNamePartId(long id);

// Each part at most once: a list of fixed size.
struct CNamePartIds {
  int count = 0;
  int ids[kNamePartCount] = {};
  const int* begin() const { return ids; }
  const int* end() const { return ids + count; }
  bool Contains(int id) const;
};

// Each valid identifier once, in its place, then the missing ones in ascending order.
CNamePartIds NamePartOrderOf(std::wstring_view text);
// Each valid identifier once, in its place.
CNamePartIds NamePartChecksOf(std::wstring_view text);

inline std::vector<int> ReadNamePartOrder(std::wstring_view text) {
  const CNamePartIds ids = NamePartOrderOf(text);
  return std::vector<int>(ids.begin(), ids.end());
}
inline std::vector<int> ReadNamePartChecks(std::wstring_view text) {
  const CNamePartIds ids = NamePartChecksOf(text);
  return std::vector<int>(ids.begin(), ids.end());
}
