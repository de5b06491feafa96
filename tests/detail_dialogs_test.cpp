// The two detail dialogs of the real program, opened with the basic page's 詳細設定 buttons and
// driven as a user drives them: clicks and double-clicks on list lines, buttons, check marks in the
// list view, drags with the mouse. What they leave in the record is read from the settings file
// after the main dialog's OK.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "config_program.h"
#include "events.h"
#include "int_list.h"
#include "list_controls.h"
#include "menu_items_model.h"
#include "resource.h"
#include "test_support.h"
#include "text.h"

namespace {

using Lines = std::vector<std::string>;
using Flags = std::vector<bool>;

const std::string kDefaultMenuText = "7,8,9,10,14,16,0,5,6,0,11,12,18,19,20,21,0,17,0,13,15,0,1,2,3,4";

// Lines joined into one text, so that a difference reads at a glance.
std::string Join(const Lines& lines) {
  std::string out;
  for (const std::string& line : lines) out += (out.empty() ? "" : " | ") + line;
  return out;
}

Lines U8Lines(const std::vector<std::wstring>& lines) {
  Lines out;
  for (const std::wstring& line : lines) out.push_back(U8(line));
  return out;
}

// The lines a list shows for these command numbers.
Lines MenuLines(const std::vector<int>& commands, MenuItemsList list) {
  Lines out;
  for (int command : commands) out.push_back(U8(MenuItemLabel(command, list)));
  return out;
}

// The separator, then every command not in `active`.
std::vector<int> InactiveOf(const std::vector<int>& active) {
  std::vector<int> inactive{0};
  for (int command = 1; command <= 21; ++command)
    if (std::find(active.begin(), active.end(), command) == active.end()) inactive.push_back(command);
  return inactive;
}

std::vector<int> DefaultMenu() { return CMenuItemsModel(FromUtf8(kDefaultMenuText)).Active(); }

POINT Centre(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class DetailDialogTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_FALSE(NamedEventExists(kConfigRunningEventName)); }

  // Starts the program on these settings lines and opens a detail dialog with its button.
  void Open(const std::string& settings, int button, const std::wstring& caption) {
    install_.WriteSettings(settings);
    program_.emplace(install_.Start());
    window_.emplace(*program_);
    ASSERT_NE(window_->Hwnd(), nullptr);
    ASSERT_NO_FATAL_FAILURE(Reopen(button, caption));
  }
  void Reopen(int button, const std::wstring& caption) {
    dialog_ = window_->OpenDetail(button, caption);
    ASSERT_NE(dialog_, nullptr) << "no " << U8(caption);
  }

  HWND Control(int id) const { return ::GetDlgItem(dialog_, id); }
  bool Enabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }
  HWND Focus() const { return FocusOf(dialog_); }
  void Press(int id) const {
    HWND button = Control(id);
    ::SendMessageW(button, BM_CLICK, 0, 0);
  }

  // OK or キャンセル of the detail dialog; the main dialog is usable again afterwards.
  void Close(int id) {
    Click(Control(id));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog_); }, kUiWaitMs));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(window_->Hwnd()) != FALSE; }, kUiWaitMs));
  }
  // The main dialog's OK, with both extensions off, writes the file and says so.
  void SaveAndQuit() {
    Click(window_->Control(IDOK));
    ASSERT_NO_FATAL_FAILURE(ExpectBox(*program_, window_->Hwnd(), kAllDisabledMessage));
    ASSERT_TRUE(EndsWithZero(*program_));
  }
  void CancelAndQuit() {
    Click(window_->Control(IDCANCEL));
    ASSERT_TRUE(EndsWithZero(*program_));
  }
  std::string Stored(const std::string& key) const { return install_.SettingsValue(key).value_or("(absent)"); }
  // Esc closes the detail dialog: the focus is back on the button that opened it, and OK is the
  // main dialog's default button again.
  void EscapeBackTo(int opener) {
    TypeKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog_); }, kUiWaitMs));
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(window_->Hwnd()) == window_->Control(opener); }, kUiWaitMs))
        << Describe(FocusOf(window_->Hwnd()));
    EXPECT_EQ(::SendMessageW(window_->Hwnd(), DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
  }

  CWithoutWindowManager unmanaged_;
  CTempDir folder_{L"detail"};
  CConfigInstall install_{folder_.Path()};
  CResidencyGuard guard_{folder_.Path()};
  std::optional<CTestProcess> program_;
  std::optional<CConfigWindow> window_;
  HWND dialog_ = nullptr;
};

class MenuDialogTest : public DetailDialogTest {
protected:
  void OpenMenu(const std::string& settings) { Open(settings, IDC_CONTEXT_MENU_DETAIL, kMenuCaption); }
  HWND Active() const { return Control(IDC_ACTIVE_LIST); }
  HWND Inactive() const { return Control(IDC_INACTIVE_LIST); }
  Lines ActiveLines() const { return U8Lines(ListLines(Active())); }
  Lines InactiveLines() const { return U8Lines(ListLines(Inactive())); }
  void ExpectLists(const std::vector<int>& active) const {
    EXPECT_EQ(Join(ActiveLines()), Join(MenuLines(active, MenuItemsList::Active)));
    EXPECT_EQ(Join(InactiveLines()), Join(MenuLines(InactiveOf(active), MenuItemsList::Inactive)));
  }
  // 追加, 削除, 上へ移動, 下へ移動 in that order.
  std::vector<bool> EditButtons() const {
    return {Enabled(IDC_MENU_ADD), Enabled(IDC_MENU_REMOVE), Enabled(IDC_MENU_UP), Enabled(IDC_MENU_DOWN)};
  }
  void ExpectActiveSelection(int line) const {
    EXPECT_EQ(SelectedLine(Active()), line);
    EXPECT_EQ(SelectedLine(Inactive()), -1);
    EXPECT_EQ(Focus(), Active());
  }
};


TEST_F(MenuDialogTest, OpensOnTheStoredListsCentredOverTheMainDialog) {
  ASSERT_NO_FATAL_FAILURE(OpenMenu(""));
  EXPECT_EQ(::GetWindow(dialog_, GW_OWNER), window_->Hwnd());
  EXPECT_FALSE(::IsWindowEnabled(window_->Hwnd())) << "modal";
  POINT mine = Centre(dialog_), owner = Centre(window_->Hwnd());
  EXPECT_NEAR(mine.x, owner.x, 1);
  EXPECT_NEAR(mine.y, owner.y, 1);

  ExpectLists(DefaultMenu());
  Lines active = ActiveLines();
  ASSERT_EQ(active.size(), 26u);
  EXPECT_EQ(active[2], "ファイル名の先頭の数字を除去");
  EXPECT_EQ(active[3], "ファイル名の末尾の数字を除去");
  EXPECT_EQ(active[6], "---");
  EXPECT_EQ(active[12], "先頭にファイル作成日付を挿入");
  EXPECT_EQ(active[15], "末尾にファイル更新日付を挿入");
  EXPECT_EQ(Join(InactiveLines()), "区切り線（セパレーター）") << "every command is active";
  EXPECT_TRUE(IsChecked(Control(IDC_MENU_ADD_CONNECTION)));

  EXPECT_EQ(SelectedLine(Active()), -1);
  EXPECT_EQ(EditButtons(), (Flags{false, false, false, false}));
  for (int id : {IDC_MENU_RESET, IDOK, IDCANCEL, IDC_HELP_BUTTON}) EXPECT_TRUE(Enabled(id)) << id;
  ASSERT_NO_FATAL_FAILURE(Close(IDCANCEL));
  ASSERT_NO_FATAL_FAILURE(CancelAndQuit());
}

TEST_F(MenuDialogTest, StoredListsAreReadAsTheMenuReadsThemAndStoredBackMended) {
  struct {
    const char* stored;
    std::vector<int> active;
    const char* storedBack;
  } const cases[] = {
      {"1,,2", {1, 2}, "1,2"},
      {"", {}, ""},
      {"abc,5", {0, 5}, "0,5"},  // a piece that is no number is a separator
      // A hand-edited file: numbers the menu skips go, a repeated command keeps its first place.
      {"5,99,-1,5,0,0, 7", {5, 0, 0, 7}, "5,0,0,7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    ASSERT_NO_FATAL_FAILURE(OpenMenu(std::string("ContextMenuExt_MenuItems=") + c.stored + "\r\n"));
    ExpectLists(c.active);
    ASSERT_NO_FATAL_FAILURE(Close(IDOK));
    ASSERT_NO_FATAL_FAILURE(SaveAndQuit());
    EXPECT_EQ(Stored("ContextMenuExt_MenuItems"), c.storedBack);
  }
}

TEST_F(MenuDialogTest, CommandsMoveBetweenTheListsAndSeparatorsComeAndGo) {
  ASSERT_NO_FATAL_FAILURE(OpenMenu("ContextMenuExt_MenuItems=\r\n"));
  // The separator can be added again and again; it stays on the right.
  for (int n = 1; n <= 3; ++n) {
    ClickLine(Inactive(), 0, true);
    EXPECT_EQ(Join(ActiveLines()), Join(Lines(n, "---")));
    ExpectActiveSelection(n - 1);
    EXPECT_EQ(InactiveLines().size(), 22u);
  }
  EXPECT_EQ(EditButtons(), (Flags{false, true, true, false})) << "the last line is selected";

  // 場所をコピー (2) with 追加: a click on the right clears the selection on the left.
  ClickLine(Inactive(), 2);
  EXPECT_EQ(SelectedLine(Active()), -1);
  EXPECT_EQ(EditButtons(), (Flags{true, false, false, false}));
  Press(IDC_MENU_ADD);
  ExpectLists({0, 0, 0, 2});
  ExpectActiveSelection(3);
  ClickLine(Inactive(), 1);  // フルパスをコピー
  Press(IDC_MENU_ADD);
  ExpectLists({0, 0, 0, 2, 1});

  // Back to the right in its ascending place, with 削除, which goes off: the focus follows the
  // line there, so that 追加 can bring it back.
  ClickLine(Active(), 3);
  EXPECT_EQ(EditButtons(), (Flags{false, true, true, true}));
  Press(IDC_MENU_REMOVE);
  ExpectLists({0, 0, 0, 1});
  EXPECT_EQ(SelectedLine(Active()), -1);
  EXPECT_EQ(InactiveLines().at(1), "場所をコピー");
  EXPECT_EQ(SelectedLine(Inactive()), 1);
  EXPECT_EQ(Focus(), Inactive());
  EXPECT_EQ(EditButtons(), (Flags{true, false, false, false}));
  // A separator removed with a double-click is gone for good.
  ClickLine(Active(), 0, true);
  ExpectLists({0, 0, 1});

  ASSERT_NO_FATAL_FAILURE(Close(IDOK));
  ASSERT_NO_FATAL_FAILURE(SaveAndQuit());
  EXPECT_EQ(Stored("ContextMenuExt_MenuItems"), "0,0,1");
}

TEST_F(MenuDialogTest, MoveButtonsFollowTheSelectionAndStopAtTheEnds) {
  ASSERT_NO_FATAL_FAILURE(OpenMenu("ContextMenuExt_MenuItems=1,2,3\r\n"));
  ClickLine(Active(), 0);
  EXPECT_EQ(EditButtons(), (Flags{false, true, false, true})) << "上へ移動 stops at the first line";
  Press(IDC_MENU_DOWN);
  ExpectLists({2, 1, 3});
  ExpectActiveSelection(1);
  EXPECT_EQ(EditButtons(), (Flags{false, true, true, true}));
  Press(IDC_MENU_DOWN);
  ExpectLists({2, 3, 1});
  ExpectActiveSelection(2);
  EXPECT_EQ(EditButtons(), (Flags{false, true, true, false})) << "下へ移動 stops at the last line";
  Press(IDC_MENU_UP);
  ExpectLists({2, 1, 3});
  ExpectActiveSelection(1);

  ClickLine(Inactive(), 0);
  EXPECT_EQ(SelectedLine(Active()), -1);
  EXPECT_EQ(EditButtons(), (Flags{true, false, false, false}));
  ASSERT_NO_FATAL_FAILURE(Close(IDOK));
  ASSERT_NO_FATAL_FAILURE(SaveAndQuit());
  EXPECT_EQ(Stored("ContextMenuExt_MenuItems"), "2,1,3");
}

TEST_F(MenuDialogTest, KeyboardAloneUsesEveryButtonAndTheFocusAlwaysStaysOnAControl) {
  ASSERT_NO_FATAL_FAILURE(OpenMenu("ContextMenuExt_MenuItems=1,2,3\r\n"));
  auto active = [&](const std::vector<int>& commands, int selected) {
    return [=, this] { return ActiveLines() == MenuLines(commands, MenuItemsList::Active) && SelectedLine(Active()) == selected; };
  };
  const std::vector<WORD> shift{VK_SHIFT};
  ASSERT_TRUE(WaitUntil([&] { return Focus() == Active(); }, kUiWaitMs));
  ASSERT_TRUE(WalkKeys(dialog_, {
      {VK_HOME, {}, IDC_ACTIVE_LIST, active({1, 2, 3}, 0)},
      {VK_TAB, {}, IDC_MENU_REMOVE},  // 追加 is off
      {VK_DOWN, {}, IDC_MENU_DOWN},   // 上へ移動 is off on the first line
      {VK_DOWN, {}, IDC_MENU_RESET},
      {VK_DOWN, {}, IDC_MENU_REMOVE},  // round within the buttons, never onto a label
      // 削除 goes off: the focus goes with the line to the inactive list.
      {VK_SPACE, {}, IDC_INACTIVE_LIST, [&] { return active({2, 3}, -1)() && SelectedLine(Inactive()) == 1; }},
      {VK_TAB, shift, IDC_MENU_RESET},
      {VK_TAB, shift, IDC_MENU_ADD},  // 削除, 上へ移動 and 下へ移動 are off
      {VK_RETURN, {}, IDC_ACTIVE_LIST, active({2, 3, 1}, 2)},
      {VK_TAB, {}, IDC_MENU_REMOVE},
      {VK_TAB, {}, IDC_MENU_UP},  // 下へ移動 is off on the last line
      {VK_RETURN, {}, IDC_ACTIVE_LIST, active({2, 1, 3}, 1)},
      {VK_TAB, {}, IDC_MENU_REMOVE},
      {VK_TAB, {}, IDC_MENU_UP},
      {VK_SPACE, {}, IDC_ACTIVE_LIST, active({1, 2, 3}, 0)},  // onto the first line
      {VK_TAB, {}, IDC_MENU_REMOVE},
      {VK_TAB, {}, IDC_MENU_DOWN},
      {VK_SPACE, {}, IDC_ACTIVE_LIST, active({2, 1, 3}, 1)},
      {VK_TAB, {}, IDC_MENU_REMOVE},
      {VK_TAB, {}, IDC_MENU_UP},
      {VK_TAB, {}, IDC_MENU_DOWN},
      {VK_SPACE, {}, IDC_ACTIVE_LIST, active({2, 3, 1}, 2)},  // onto the last line
      {VK_TAB, {}, IDC_MENU_REMOVE},
      {VK_TAB, {}, IDC_MENU_UP},
      {VK_TAB, {}, IDC_MENU_RESET},
      {VK_SPACE, {}, IDC_MENU_RESET, active(DefaultMenu(), -1)},
      {VK_TAB, {}, IDC_INACTIVE_LIST},
      {VK_TAB, {}, IDC_MENU_ADD_CONNECTION},
      {VK_SPACE, {}, IDC_MENU_ADD_CONNECTION, [&] { return !IsChecked(Control(IDC_MENU_ADD_CONNECTION)); }},
      {VK_TAB, {}, IDOK},
      {VK_TAB, {}, IDCANCEL},
      {VK_TAB, {}, IDC_HELP_BUTTON},
      {VK_RETURN, {}, IDC_HELP_BUTTON},  // no help file here: nothing shows
      {VK_RIGHT, {}, IDOK},
      {VK_LEFT, {}, IDC_HELP_BUTTON},
  }));
  ASSERT_NO_FATAL_FAILURE(EscapeBackTo(IDC_CONTEXT_MENU_DETAIL));
  const std::string before = install_.ReadSettings();
  ASSERT_NO_FATAL_FAILURE(CancelAndQuit());
  EXPECT_EQ(install_.ReadSettings(), before);
}

// Pixels beside a list line that differ from what `before` showed there: the insertion mark.
class CBesideLine {
public:
  CBesideLine(HWND list, int line) {
    RECT box{};
    ::GetWindowRect(list, &box);
    POINT at = LinePoint(list, line);
    auto height = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    area_ = RECT{box.left - 10, at.y - height / 2 - 4, box.left - 1, at.y - height / 2 + 4};
    before_ = Pixels();
  }
  int Changed() const {
    std::vector<COLORREF> now = Pixels();
    int changed = 0;
    for (std::size_t i = 0; i < now.size(); ++i) changed += now[i] != before_[i];
    return changed;
  }

private:
  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> pixels;
    HDC screen = ::GetDC(nullptr);
    for (int y = area_.top; y < area_.bottom; ++y)
      for (int x = area_.left; x < area_.right; ++x) pixels.push_back(::GetPixel(screen, x, y));
    ::ReleaseDC(nullptr, screen);
    return pixels;
  }
  RECT area_{};
  std::vector<COLORREF> before_;
};

TEST_F(MenuDialogTest, DraggingALineLandsItBeforeTheLineItIsDroppedOn) {
  // W, X, Y, Z.
  ASSERT_NO_FATAL_FAILURE(OpenMenu("ContextMenuExt_MenuItems=1,2,3,4\r\n"));
  auto drag = [&](int from, int onto) {
    CBesideLine mark(Active(), onto);
    DragLine(Active(), from, LinePoint(Active(), onto), [&] {
      EXPECT_TRUE(WaitUntil([&] { return mark.Changed() > 5; }, kUiWaitMs)) << "no insertion mark before line " << onto;
    });
    EXPECT_TRUE(WaitUntil([&] { return mark.Changed() == 0; }, kUiWaitMs)) << "the mark stays after the drop";
  };
  drag(0, 3);  // W onto Z
  ExpectLists({2, 3, 1, 4});
  ExpectActiveSelection(2);
  drag(3, 1);  // Z onto X
  ExpectLists({2, 4, 3, 1});
  ExpectActiveSelection(1);
  drag(1, 1);  // onto itself
  drag(1, 2);  // onto the line just below
  ExpectLists({2, 4, 3, 1});
  // Below the last line is no line: 下へ移動 serves there.
  POINT below = LinePoint(Active(), 3);
  below.y += 3 * static_cast<int>(::SendMessageW(Active(), LB_GETITEMHEIGHT, 0, 0));
  DragLine(Active(), 0, below);
  ExpectLists({2, 4, 3, 1});

  ASSERT_NO_FATAL_FAILURE(Close(IDOK));
  ASSERT_NO_FATAL_FAILURE(SaveAndQuit());
  EXPECT_EQ(Stored("ContextMenuExt_MenuItems"), "2,4,3,1");
}

TEST_F(MenuDialogTest, ResetRestoresTheDefaultListAndLeavesTheCheckBox) {
  ASSERT_NO_FATAL_FAILURE(
      OpenMenu("ContextMenuExt_MenuItems=1,2\r\nContextMenuExt_AddUnderbarOnDate=False\r\n"));
  EXPECT_FALSE(IsChecked(Control(IDC_MENU_ADD_CONNECTION)));
  Press(IDC_MENU_RESET);
  ExpectLists(DefaultMenu());
  EXPECT_FALSE(IsChecked(Control(IDC_MENU_ADD_CONNECTION)));
  ASSERT_NO_FATAL_FAILURE(Close(IDOK));
  ASSERT_NO_FATAL_FAILURE(SaveAndQuit());
  EXPECT_EQ(Stored("ContextMenuExt_MenuItems"), kDefaultMenuText);
  EXPECT_EQ(Stored("ContextMenuExt_AddUnderbarOnDate"), "False");
}

TEST_F(MenuDialogTest, NothingIsAddedThatWouldMakeTheStoredListLongerThan99Characters) {
  ASSERT_NO_FATAL_FAILURE(OpenMenu(""));
  // The default list has 63 characters; each separator adds two.
  std::vector<int> active = DefaultMenu();
  for (int n = 0; n < 18; ++n) {
    ClickLine(Inactive(), 0, true);
    active.push_back(0);
  }
  ExpectLists(active);
  auto refused = [&] {
    ASSERT_NO_FATAL_FAILURE(ExpectBox(*program_, dialog_, kMenuItemsTooLongMessage));
    ExpectLists(active);
    EXPECT_TRUE(::IsWindow(dialog_));
  };
  ClickLine(Inactive(), 0);
  Click(Control(IDC_MENU_ADD));
  ASSERT_NO_FATAL_FAILURE(refused());

  // 末尾にファイル更新日付を挿入 (21) out leaves room for a separator, but not for itself again.
  auto at = std::find(active.begin(), active.end(), 21);
  ASSERT_NE(at, active.end());
  ClickLine(Active(), static_cast<int>(at - active.begin()));
  Press(IDC_MENU_REMOVE);
  active.erase(at);
  ClickLine(Inactive(), 0, true);
  active.push_back(0);
  ExpectLists(active);
  ASSERT_EQ(Join(InactiveLines()), "区切り線（セパレーター） | 末尾にファイル更新日付を挿入");
  ClickLine(Inactive(), 1);
  Click(Control(IDC_MENU_ADD));
  ASSERT_NO_FATAL_FAILURE(refused());

  ASSERT_NO_FATAL_FAILURE(Close(IDOK));
  ASSERT_NO_FATAL_FAILURE(SaveAndQuit());
  std::string expected = U8(FormatIntList(active));
  EXPECT_EQ(expected.size(), 98u);
  EXPECT_EQ(Stored("ContextMenuExt_MenuItems"), expected);
}

TEST_F(MenuDialogTest, ChangesReachTheFileOnlyThroughBothOks) {
  ASSERT_NO_FATAL_FAILURE(OpenMenu("ContextMenuExt_MenuItems=1,2,3\r\n"));
  ClickLine(Active(), 0, true);
  Press(IDC_MENU_RESET);
  Press(IDC_MENU_ADD_CONNECTION);
  ASSERT_NO_FATAL_FAILURE(Close(IDCANCEL));
  // Opened again, it starts from the record, which キャンセル left as it was.
  ASSERT_NO_FATAL_FAILURE(Reopen(IDC_CONTEXT_MENU_DETAIL, kMenuCaption));
  ExpectLists({1, 2, 3});
  EXPECT_TRUE(IsChecked(Control(IDC_MENU_ADD_CONNECTION)));
  ClickLine(Active(), 0, true);
  ASSERT_NO_FATAL_FAILURE(Close(IDOK));
  const std::string saved = install_.ReadSettings();
  // The record holds the change; the file gets it only from the main dialog's OK.
  ASSERT_NO_FATAL_FAILURE(CancelAndQuit());
  EXPECT_EQ(install_.ReadSettings(), saved);

  program_.emplace(install_.Start());
  window_.emplace(*program_);
  ASSERT_NE(window_->Hwnd(), nullptr);
  ASSERT_NO_FATAL_FAILURE(Reopen(IDC_CONTEXT_MENU_DETAIL, kMenuCaption));
  ClickLine(Active(), 0, true);
  ASSERT_NO_FATAL_FAILURE(Close(IDOK));
  ASSERT_NO_FATAL_FAILURE(SaveAndQuit());
  EXPECT_EQ(Stored("ContextMenuExt_MenuItems"), "2,3");
}

class RenameDialogTest : public DetailDialogTest {
protected:
  void OpenRename(const std::string& settings) { Open(settings, IDC_RENAME_EXT_DETAIL, kRenameCaption); }
  HWND Parts() const { return Control(IDC_PART_LIST); }
  Lines PartLines() const {
    Lines lines;
    for (int i = 0; i < ListViewCount(Parts()); ++i) lines.push_back(U8(ListViewText(Parts(), i)));
    return lines;
  }
  std::vector<bool> Marks() const {
    std::vector<bool> marks;
    for (int i = 0; i < ListViewCount(Parts()); ++i) marks.push_back(ListViewChecked(Parts(), i));
    return marks;
  }
  // 上へ移動 and 下へ移動.
  std::vector<bool> MoveButtons() const { return {Enabled(IDC_PART_UP), Enabled(IDC_PART_DOWN)}; }
  void Select(int line) const {
    SelectListViewLine(Parts(), line);
    ASSERT_EQ(ListViewSelection(Parts()), line);
  }
  void SaveBoth() {
    ASSERT_NO_FATAL_FAILURE(Close(IDOK));
    ASSERT_NO_FATAL_FAILURE(SaveAndQuit());
  }
};

const Lines kBaseExtWhole = {"ベース名", "拡張子", "ファイル名全体"};

TEST_F(RenameDialogTest, OpensWithTheThreePartsInOneColumnAndTheSwitchesOff) {
  ASSERT_NO_FATAL_FAILURE(OpenRename(""));
  EXPECT_EQ(::GetWindow(dialog_, GW_OWNER), window_->Hwnd());
  POINT mine = Centre(dialog_), owner = Centre(window_->Hwnd());
  EXPECT_NEAR(mine.x, owner.x, 1);
  EXPECT_NEAR(mine.y, owner.y, 1);

  EXPECT_EQ(Join(PartLines()), Join(kBaseExtWhole));
  EXPECT_EQ(Marks(), (Flags{true, true, true}));
  // 100 pixels at 96 DPI or what the names need, wider at a larger scale (dialog_scale_test).
  EXPECT_GE(::SendMessageW(Parts(), LVM_GETCOLUMNWIDTH, 0, 0), 100);
  EXPECT_EQ(::SendMessageW(Parts(), LVM_GETCOLUMNWIDTH, 1, 0), 0) << "one column";
  auto extended = static_cast<DWORD>(::SendMessageW(Parts(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT), DWORD{LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT});
  EXPECT_TRUE(::GetWindowLongPtrW(Parts(), GWL_STYLE) & LVS_NOCOLUMNHEADER);

  EXPECT_EQ(ListViewSelection(Parts()), -1);
  EXPECT_EQ(MoveButtons(), (Flags{false, false})) << "nothing selected";
  for (int id : {IDC_SELECT_EXCEPT_PERIOD, IDC_EXTEND_HOME_END, IDC_HOME_END_IN_SELECTION, IDC_INSERT_DATE,
                 IDC_INSERT_DATE_TIME_IN_SHIFT, IDC_RENAME_ADD_CONNECTION, IDC_CLEAR_IN_TAB, IDC_ENABLE_AT_ALL_EDIT})
    EXPECT_FALSE(IsChecked(Control(id))) << id;
  for (int id : {IDC_HOME_END_IN_SELECTION, IDC_INSERT_DATE_TIME_IN_SHIFT, IDC_RENAME_ADD_CONNECTION})
    EXPECT_FALSE(Enabled(id)) << id;
  ASSERT_NO_FATAL_FAILURE(SaveBoth());
  EXPECT_EQ(Stored("RenameExt_FileNamePartSelectOrder"), "0,1,2");
  EXPECT_EQ(Stored("RenameExt_FileNamePartCheckList"), "0,1,2");
}

TEST_F(RenameDialogTest, ExtensionUncheckedAndWholeNameOnTopStore201And20) {
  ASSERT_NO_FATAL_FAILURE(OpenRename(""));
  SetListViewChecked(Parts(), 1, false);
  ASSERT_NO_FATAL_FAILURE(Select(2));
  EXPECT_EQ(MoveButtons(), (Flags{true, false})) << "下へ移動 stops at the last line";
  Press(IDC_PART_UP);
  EXPECT_EQ(Join(PartLines()), Join(Lines{"ベース名", "ファイル名全体", "拡張子"}));
  EXPECT_EQ(ListViewSelection(Parts()), 1);
  Press(IDC_PART_UP);
  EXPECT_EQ(Join(PartLines()), Join(Lines{"ファイル名全体", "ベース名", "拡張子"}));
  EXPECT_EQ(Marks(), (Flags{true, true, false}));
  EXPECT_EQ(ListViewSelection(Parts()), 0);
  EXPECT_EQ(MoveButtons(), (Flags{false, true})) << "上へ移動 stops at the first line";
  ASSERT_NO_FATAL_FAILURE(SaveBoth());
  EXPECT_EQ(Stored("RenameExt_FileNamePartSelectOrder"), "2,0,1");
  EXPECT_EQ(Stored("RenameExt_FileNamePartCheckList"), "2,0");
}

TEST_F(RenameDialogTest, MarksTravelWithTheirLinesAlsoWhenChangedJustBeforeTheMove) {
  ASSERT_NO_FATAL_FAILURE(OpenRename("RenameExt_FileNamePartCheckList=1\r\n"));
  EXPECT_EQ(Marks(), (Flags{false, true, false}));
  ASSERT_NO_FATAL_FAILURE(Select(0));
  SetListViewChecked(Parts(), 0, true);
  SetListViewChecked(Parts(), 1, false);
  Press(IDC_PART_DOWN);
  EXPECT_EQ(Join(PartLines()), Join(Lines{"拡張子", "ベース名", "ファイル名全体"}));
  EXPECT_EQ(Marks(), (Flags{false, true, false}));
  SetListViewChecked(Parts(), 2, true);
  Press(IDC_PART_DOWN);
  EXPECT_EQ(Join(PartLines()), Join(Lines{"拡張子", "ファイル名全体", "ベース名"}));
  EXPECT_EQ(Marks(), (Flags{false, true, true}));
  // キャンセル drops it all: the record, and so the file, keep what was loaded.
  ASSERT_NO_FATAL_FAILURE(Close(IDCANCEL));
  ASSERT_NO_FATAL_FAILURE(SaveAndQuit());
  EXPECT_EQ(Stored("RenameExt_FileNamePartSelectOrder"), "0,1,2");
  EXPECT_EQ(Stored("RenameExt_FileNamePartCheckList"), "1");
}

TEST_F(RenameDialogTest, NoPartCheckedStoresAnEmptyList) {
  ASSERT_NO_FATAL_FAILURE(OpenRename(""));
  for (int line = 0; line < 3; ++line) SetListViewChecked(Parts(), line, false);
  ASSERT_NO_FATAL_FAILURE(SaveBoth());
  EXPECT_EQ(Stored("RenameExt_FileNamePartSelectOrder"), "0,1,2");
  EXPECT_EQ(Stored("RenameExt_FileNamePartCheckList"), "");
}

TEST_F(RenameDialogTest, KeyboardAloneUsesEveryButtonAndTheFocusAlwaysStaysOnAControl) {
  ASSERT_NO_FATAL_FAILURE(OpenRename(""));
  auto parts = [&](const Lines& lines, int selected) {
    return [=, this] { return PartLines() == lines && ListViewSelection(Parts()) == selected; };
  };
  const Lines wholeInMiddle = {"ベース名", "ファイル名全体", "拡張子"};
  const Lines wholeFirst = {"ファイル名全体", "ベース名", "拡張子"};
  ASSERT_TRUE(WaitUntil([&] { return Focus() == Parts(); }, kUiWaitMs));
  ASSERT_TRUE(WalkKeys(dialog_, {
      {VK_END, {}, IDC_PART_LIST, parts(kBaseExtWhole, 2)},
      {VK_TAB, {}, IDC_PART_UP},  // 下へ移動 is off on the last line
      {VK_SPACE, {}, IDC_PART_UP, parts(wholeInMiddle, 1)},
      // Onto the first line 上へ移動 goes off: the list takes the focus, the moved line selected.
      {VK_RETURN, {}, IDC_PART_LIST, parts(wholeFirst, 0)},
      {VK_TAB, {}, IDC_PART_DOWN},
      {VK_SPACE, {}, IDC_PART_DOWN, parts(wholeInMiddle, 1)},
      {VK_SPACE, {}, IDC_PART_LIST, parts(kBaseExtWhole, 2)},
      {VK_TAB, {}, IDC_PART_UP},
      {VK_TAB, {}, IDC_SELECT_EXCEPT_PERIOD},
      {VK_SPACE, {}, IDC_SELECT_EXCEPT_PERIOD, [&] { return IsChecked(Control(IDC_SELECT_EXCEPT_PERIOD)); }},
      {VK_DOWN, {}, IDC_EXTEND_HOME_END},
      {VK_DOWN, {}, IDC_INSERT_DATE},  // boxes under an unchecked one are off
      {VK_DOWN, {}, IDC_CLEAR_IN_TAB},
      {VK_DOWN, {}, IDC_ENABLE_AT_ALL_EDIT},
      {VK_DOWN, {}, IDC_SELECT_EXCEPT_PERIOD},  // round within the check boxes, never onto the group box
      {VK_UP, {}, IDC_ENABLE_AT_ALL_EDIT},
      {VK_TAB, {}, IDOK},
      {VK_TAB, {}, IDCANCEL},
      {VK_TAB, {}, IDC_HELP_BUTTON},
      {VK_RETURN, {}, IDC_HELP_BUTTON},  // no help file here: nothing shows
      {VK_RIGHT, {}, IDOK},
      {VK_LEFT, {}, IDC_HELP_BUTTON},
      {VK_TAB, {}, IDC_PART_LIST},
  }));
  ASSERT_NO_FATAL_FAILURE(EscapeBackTo(IDC_RENAME_EXT_DETAIL));
  ASSERT_NO_FATAL_FAILURE(CancelAndQuit());
}

TEST_F(RenameDialogTest, DependentBoxesAreDisabledButKeepAndStoreTheirMarks) {
  ASSERT_NO_FATAL_FAILURE(OpenRename(
      "RenameExt_ExtendHomeEnd=True\r\nRenameExt_HomeEndInSelection=True\r\nRenameExt_InsertDate=True\r\n"
      "RenameExt_InsertDateTimeInShift=True\r\nRenameExt_AddUnderbarOnDate=True\r\n"));
  for (int id : {IDC_HOME_END_IN_SELECTION, IDC_INSERT_DATE_TIME_IN_SHIFT, IDC_RENAME_ADD_CONNECTION})
    EXPECT_TRUE(Enabled(id)) << id;
  Press(IDC_EXTEND_HOME_END);
  EXPECT_FALSE(Enabled(IDC_HOME_END_IN_SELECTION));
  EXPECT_TRUE(IsChecked(Control(IDC_HOME_END_IN_SELECTION)));
  EXPECT_TRUE(Enabled(IDC_INSERT_DATE_TIME_IN_SHIFT));
  Press(IDC_INSERT_DATE);
  for (int id : {IDC_INSERT_DATE_TIME_IN_SHIFT, IDC_RENAME_ADD_CONNECTION}) {
    EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(IsChecked(Control(id))) << id;
  }
  for (int id : {IDC_SELECT_EXCEPT_PERIOD, IDC_CLEAR_IN_TAB, IDC_ENABLE_AT_ALL_EDIT}) Press(id);
  ASSERT_NO_FATAL_FAILURE(Close(IDOK));

  // Opened again from the record: the same marks, the same boxes disabled.
  ASSERT_NO_FATAL_FAILURE(Reopen(IDC_RENAME_EXT_DETAIL, kRenameCaption));
  EXPECT_FALSE(Enabled(IDC_HOME_END_IN_SELECTION));
  EXPECT_TRUE(IsChecked(Control(IDC_HOME_END_IN_SELECTION)));
  Press(IDC_INSERT_DATE);
  EXPECT_TRUE(Enabled(IDC_INSERT_DATE_TIME_IN_SHIFT) && Enabled(IDC_RENAME_ADD_CONNECTION));
  Press(IDC_INSERT_DATE);
  ASSERT_NO_FATAL_FAILURE(SaveBoth());
  const std::pair<const char*, const char*> expected[] = {
      {"RenameExt_SelectExceptPeriod", "True"},  {"RenameExt_ExtendHomeEnd", "False"},
      {"RenameExt_HomeEndInSelection", "True"},  {"RenameExt_InsertDate", "False"},
      {"RenameExt_InsertDateTimeInShift", "True"}, {"RenameExt_AddUnderbarOnDate", "True"},
      {"RenameExt_ClearInTab", "True"},          {"RenameExt_EnableExtAtAllEdit", "True"},
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(Stored(key), value) << key;
}

TEST_F(RenameDialogTest, HandEditedPartListsAreMendedIntoThreeLinesAndFiveCharacters) {
  struct {
    const char* order;
    const char* checked;
    Lines lines;
    Flags marks;
    const char* storedOrder;
    const char* storedChecked;
  } const cases[] = {
      // Repeats and unknown parts go; missing parts come after the listed ones.
      {"2,2,7", "1,5,0", {"ファイル名全体", "ベース名", "拡張子"}, {false, true, true}, "2,0,1", "0,1"},
      {"1", "2,0", {"拡張子", "ベース名", "ファイル名全体"}, {false, true, true}, "1,0,2", "0,2"},
      {"", "", kBaseExtWhole, {false, false, false}, "0,1,2", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.order) + " / " + c.checked);
    ASSERT_NO_FATAL_FAILURE(OpenRename(std::string("RenameExt_FileNamePartSelectOrder=") + c.order +
                                       "\r\nRenameExt_FileNamePartCheckList=" + c.checked + "\r\n"));
    EXPECT_EQ(Join(PartLines()), Join(c.lines));
    EXPECT_EQ(Marks(), c.marks);
    ASSERT_NO_FATAL_FAILURE(SaveBoth());
    EXPECT_EQ(Stored("RenameExt_FileNamePartSelectOrder"), c.storedOrder);
    EXPECT_EQ(Stored("RenameExt_FileNamePartCheckList"), c.storedChecked);
  }
}

}  // namespace
