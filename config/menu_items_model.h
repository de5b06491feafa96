#pragma once
// The two lists of the context-menu detail dialog: the active commands in submenu order and the
// ones left to add. No window system here; the dialog mirrors both lists line by line.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The stored list lives in a field of 99 characters: a longer text would be cut into a wrong menu.
constexpr std::size_t kMaxMenuItemsText = 99;
// What the dialog says when it refuses an addition for that reason (the help quotes it).
constexpr const wchar_t* kMenuItemsTooLongMessage =
    L"これ以上追加できません。不要な機能や区切り線を削除してから追加してください。";

enum class MenuItemsList { Active, Inactive };

// A command number as a line of either list reads: the separator "---" on the left and by its
// catalogue name on the right, 9 and 10 with 数字 for their digits, 18 to 21 without their date.
std::wstring MenuItemLabel(int command, MenuItemsList list);

enum class AddResult {
  Added,
  NoSuchLine,  // the position is not a line of the inactive list
  TooLong,     // the stored text would pass kMaxMenuItemsText; nothing changed
};

// Positions are list-box lines: int, with -1 for "none" as the list box reports it.
class CMenuItemsModel {
public:
  // Reads the stored text the way the submenu does, mended: numbers outside 0..21 are dropped and
  // a command that stands twice keeps only its first place (separators may repeat).
  explicit CMenuItemsModel(std::wstring_view storedText);

  const std::vector<int>& Active() const { return active_; }
  // The separator first, then every command not active, ascending.
  const std::vector<int>& Inactive() const { return inactive_; }
  std::vector<std::wstring> Labels(MenuItemsList list) const;

  // Appends inactive line `inactivePos` to the end of the active list; a command leaves the
  // inactive list, the separator stays there.
  AddResult Add(int inactivePos);
  // Whether adding that line would still fit the stored field.
  bool CanAdd(int inactivePos) const;
  // A command goes back to the inactive list in its ascending place; a separator disappears.
  bool Remove(int activePos);
  // Each returns the line's new position, or -1 when nothing moved.
  int MoveUp(int activePos);
  int MoveDown(int activePos);
  // A drag of active line `from` dropped on line `onto` (-1: not on a line) lands just before the
  // line that was at `onto`. Returns the new position, or -1 when nothing changes: no line, the
  // line itself or the line just below it.
  int Drop(int from, int onto);
  // The default list; the inactive list then holds only the separator.
  void Reset();

  // The active list as stored: decimal numbers joined by "," with nothing else.
  std::wstring StoredText() const;

private:
  void SetActive(std::vector<int> active);
  bool IsActiveLine(int pos) const { return pos >= 0 && static_cast<std::size_t>(pos) < active_.size(); }

  std::vector<int> active_;
  std::vector<int> inactive_;
};
