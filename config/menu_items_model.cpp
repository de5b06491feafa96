#include "menu_items_model.h"

#include <algorithm>
#include <array>

#include "catalogue.h"
#include "int_list.h"
#include "text.h"

std::wstring MenuItemLabel(int command, MenuItemsList list) {
  if (command == CmdSeparator && list == MenuItemsList::Active) return L"---";
  std::wstring label = CommandLabel(command);
  if (command == CmdRemoveNumericFromFileNameHead || command == CmdRemoveNumericFromFileNameEnd)
    return ReplaceAll(label, L"「%s」", L"数字");
  if (command >= CmdInsertFileCreationDateTimeInHead && command <= CmdInsertFileLastWriteDateTimeInEnd)
    return ReplaceAll(label, L"（%s）", L"");
  return label;
}

CMenuItemsModel::CMenuItemsModel(std::wstring_view storedText) {
  std::vector<int> active;
  std::array<bool, kCommandSlots> seen{};
  for (long number : ParseIntList(storedText)) {
    // A hand-edited file may hold numbers the menu skips anyway; a repeated command would leave
    // the two lists disagreeing about where it stands.
    if (!IsCatalogueIndex(number)) continue;
    int command = static_cast<int>(number);
    if (command != CmdSeparator) {
      if (seen[command]) continue;
      seen[command] = true;
    }
    active.push_back(command);
  }
  SetActive(std::move(active));
}

void CMenuItemsModel::SetActive(std::vector<int> active) {
  active_ = std::move(active);
  inactive_.assign(1, CmdSeparator);
  for (int command = 1; command <= kLastCommand; ++command)
    if (std::find(active_.begin(), active_.end(), command) == active_.end()) inactive_.push_back(command);
}

std::vector<std::wstring> CMenuItemsModel::Labels(MenuItemsList list) const {
  const std::vector<int>& items = list == MenuItemsList::Active ? active_ : inactive_;
  std::vector<std::wstring> labels;
  labels.reserve(items.size());
  for (int command : items) labels.push_back(MenuItemLabel(command, list));
  return labels;
}

bool CMenuItemsModel::CanAdd(int inactivePos) const {
  if (inactivePos < 0 || static_cast<std::size_t>(inactivePos) >= inactive_.size()) return false;
  std::wstring number = std::to_wstring(inactive_[inactivePos]);
  std::size_t length = StoredText().size() + (active_.empty() ? 0 : 1) + number.size();
  return length <= kMaxMenuItemsText;
}

AddResult CMenuItemsModel::Add(int inactivePos) {
  if (inactivePos < 0 || static_cast<std::size_t>(inactivePos) >= inactive_.size()) return AddResult::NoSuchLine;
  if (!CanAdd(inactivePos)) return AddResult::TooLong;
  std::vector<int> active = active_;
  active.push_back(inactive_[inactivePos]);
  SetActive(std::move(active));
  return AddResult::Added;
}

bool CMenuItemsModel::Remove(int activePos) {
  if (!IsActiveLine(activePos)) return false;
  std::vector<int> active = active_;
  active.erase(active.begin() + activePos);
  SetActive(std::move(active));
  return true;
}

int CMenuItemsModel::MoveUp(int activePos) {
  if (!IsActiveLine(activePos) || activePos == 0) return -1;
  std::swap(active_[activePos], active_[activePos - 1]);
  return activePos - 1;
}

int CMenuItemsModel::MoveDown(int activePos) {
  if (!IsActiveLine(activePos) || static_cast<std::size_t>(activePos) + 1 == active_.size()) return -1;
  std::swap(active_[activePos], active_[activePos + 1]);
  return activePos + 1;
}

int CMenuItemsModel::Drop(int from, int onto) {
  if (!IsActiveLine(from) || !IsActiveLine(onto) || onto == from || onto == from + 1) return -1;
  int command = active_[from];
  active_.erase(active_.begin() + from);
  int to = from < onto ? onto - 1 : onto;
  active_.insert(active_.begin() + to, command);
  return to;
}

void CMenuItemsModel::Reset() { SetActive(std::vector<int>(DefaultMenuItems.begin(), DefaultMenuItems.end())); }

std::wstring CMenuItemsModel::StoredText() const { return FormatIntList(active_); }
