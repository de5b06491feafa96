#pragma once
// The check list of the rename-edit extension's detail dialog: the order in which F2 walks the
// parts of a file name, and which parts take part. No window system here.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "name_part_lists.h"

// "ベース名", "拡張子", "ファイル名全体"; empty for anything else.
const wchar_t* NamePartLabel(int part);

// Lines are list-view items: int, with -1 for "none".
class CNamePartsModel {
public:
  CNamePartsModel(std::wstring_view orderText, std::wstring_view checkedText);

  // Always the three identifiers, each once.
  const std::vector<int>& Order() const { return order_; }
  int LineCount() const { return kNamePartCount; }
  std::wstring Label(int line) const;
  bool IsChecked(int line) const;
  // Marks belong to the part, so they travel with it when it moves.
  void SetChecked(int line, bool checked);

  // Each returns the line's new position, or -1 when nothing moved.
  int MoveUp(int line);
  int MoveDown(int line);

  // "2,0,1"; the checked parts in line order ("2,0"), empty when none is checked.
  std::wstring OrderText() const;
  std::wstring CheckedText() const;

private:
  bool IsLine(int line) const { return line >= 0 && line < kNamePartCount; }

  std::vector<int> order_;
  std::array<bool, kNamePartCount> checked_{};  // by identifier
};
