#pragma once
// The two stored lists of file-name parts (0 base name, 1 extension, 2 whole name): the order in
// which F2 selects them and the parts that take part. One reading for the dialog that edits them
// and the hook that follows them, mended so that a hand-edited file can neither break the one nor
// give the other a part that does not exist. No window system here.
#include <string_view>
#include <vector>

constexpr int kNamePartCount = 3;

bool IsNamePartId(long id);
// Each valid identifier once, in its place, then the missing ones in ascending order.
std::vector<int> ReadNamePartOrder(std::wstring_view text);
// Each valid identifier once, in its place.
std::vector<int> ReadNamePartChecks(std::wstring_view text);
