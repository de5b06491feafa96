#include "name_parts_model.h"

#include <algorithm>

#include "int_list.h"
#include "name_part_lists.h"

namespace {

const wchar_t* const kLabels[kNamePartCount] = {L"ベース名", L"拡張子", L"ファイル名全体"};

}  // namespace

const wchar_t* NamePartLabel(int part) { return IsNamePartId(part) ? kLabels[part] : L""; }

CNamePartsModel::CNamePartsModel(std::wstring_view orderText, std::wstring_view checkedText)
    : order_(ReadNamePartOrder(orderText)) {
  for (int id : ReadNamePartChecks(checkedText)) checked_[id] = true;
}

std::wstring CNamePartsModel::Label(int line) const { return IsLine(line) ? NamePartLabel(order_[line]) : L""; }

bool CNamePartsModel::IsChecked(int line) const { return IsLine(line) && checked_[order_[line]]; }

void CNamePartsModel::SetChecked(int line, bool checked) {
  if (IsLine(line)) checked_[order_[line]] = checked;
}

int CNamePartsModel::MoveUp(int line) {
  if (!IsLine(line) || line == 0) return -1;
  std::swap(order_[line], order_[line - 1]);
  return line - 1;
}

int CNamePartsModel::MoveDown(int line) {
  if (!IsLine(line) || line == kNamePartCount - 1) return -1;
  std::swap(order_[line], order_[line + 1]);
  return line + 1;
}

std::wstring CNamePartsModel::OrderText() const { return FormatIntList(order_); }

std::wstring CNamePartsModel::CheckedText() const {
  std::vector<int> checked;
  for (int id : order_)
    if (checked_[id]) checked.push_back(id);
  return FormatIntList(checked);
}
