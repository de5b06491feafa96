// The lists behind the context-menu detail dialog: reading a stored list, moving commands between
// the two lists, reordering and dragging, and keeping the stored text inside its field.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue.h"
#include "menu_items_model.h"
#include "test_support.h"

namespace {

using Ints = std::vector<int>;

// 0, then every command of 1..21 that `active` lacks.
Ints InactiveFor(const Ints& active) {
  Ints out{0};
  for (int c = 1; c <= kLastCommand; ++c)
    if (std::find(active.begin(), active.end(), c) == active.end()) out.push_back(c);
  return out;
}

int InactiveLineOf(const CMenuItemsModel& m, int command) {
  const Ints& in = m.Inactive();
  auto it = std::find(in.begin(), in.end(), command);
  return it == in.end() ? -1 : static_cast<int>(it - in.begin());
}

TEST(MenuItemsModel, ReadsStoredListsAsTheSubmenuDoes) {
  CMenuItemsModel defaults(DefaultMenuItemsText());
  EXPECT_EQ(Ints(DefaultMenuItems.begin(), DefaultMenuItems.end()), defaults.Active());
  EXPECT_EQ(Ints{0}, defaults.Inactive());

  CMenuItemsModel gaps(L"1,,2");
  EXPECT_EQ((Ints{1, 2}), gaps.Active());
  EXPECT_EQ(InactiveFor({1, 2}), gaps.Inactive());

  CMenuItemsModel empty(L"");
  EXPECT_TRUE(empty.Active().empty());
  EXPECT_EQ(22u, empty.Inactive().size());
  EXPECT_EQ(InactiveFor({}), empty.Inactive());

  // Not a number reads as 0, the separator; blanks and a sign are read as wcstol reads them.
  EXPECT_EQ(Ints{0}, CMenuItemsModel(L"abc").Active());
  EXPECT_EQ((Ints{7, 3, 0}), CMenuItemsModel(L" 7,+3x,,-0").Active());
}

TEST(MenuItemsModel, MendsHandEditedLists) {
  // A repeated command keeps its first place only; separators may repeat.
  CMenuItemsModel twice(L"5,1,1,0");
  EXPECT_EQ((Ints{5, 1, 0}), twice.Active());
  EXPECT_EQ(InactiveFor({5, 1}), twice.Inactive());
  EXPECT_EQ(L"5,1,0", twice.StoredText());

  CMenuItemsModel mixed(L"9,x,2,2");
  EXPECT_EQ((Ints{9, 0, 2}), mixed.Active());
  EXPECT_EQ(InactiveFor({9, 2}), mixed.Inactive());

  // Numbers without a catalogue row are dropped, also ones wcstol clamps.
  CMenuItemsModel outside(L"22,-1,0,0,3,99999999999,21");
  EXPECT_EQ((Ints{0, 0, 3, 21}), outside.Active());
  EXPECT_EQ(InactiveFor({3, 21}), outside.Inactive());
}

TEST(MenuItemsModel, LabelsPerList) {
  EXPECT_EQ(L"---", MenuItemLabel(0, MenuItemsList::Active));
  EXPECT_EQ(U8(L"区切り線（セパレーター）"), U8(MenuItemLabel(0, MenuItemsList::Inactive)));
  for (MenuItemsList list : {MenuItemsList::Active, MenuItemsList::Inactive}) {
    EXPECT_EQ(U8(L"ファイル名の先頭の数字を除去"), U8(MenuItemLabel(9, list)));
    EXPECT_EQ(U8(L"ファイル名の末尾の数字を除去"), U8(MenuItemLabel(10, list)));
    EXPECT_EQ(U8(L"先頭にファイル作成日付を挿入"), U8(MenuItemLabel(18, list)));
    EXPECT_EQ(U8(L"末尾にファイル作成日付を挿入"), U8(MenuItemLabel(19, list)));
    EXPECT_EQ(U8(L"先頭にファイル更新日付を挿入"), U8(MenuItemLabel(20, list)));
    EXPECT_EQ(U8(L"末尾にファイル更新日付を挿入"), U8(MenuItemLabel(21, list)));
    EXPECT_EQ(U8(L"「～へのショートカット」を除去"), U8(MenuItemLabel(7, list)));
  }
  // No line shows a placeholder.
  for (int c = 0; c <= kLastCommand; ++c) EXPECT_EQ(std::wstring::npos, MenuItemLabel(c, MenuItemsList::Inactive).find(L'%')) << c;

  CMenuItemsModel m(L"5,0,9");
  EXPECT_EQ(U8(L"すべて小文字に"), U8(m.Labels(MenuItemsList::Active)[0]));
  EXPECT_EQ(L"---", m.Labels(MenuItemsList::Active)[1]);
  ASSERT_EQ(m.Inactive().size(), m.Labels(MenuItemsList::Inactive).size());
  EXPECT_EQ(U8(L"フルパスをコピー"), U8(m.Labels(MenuItemsList::Inactive)[1]));
}

TEST(MenuItemsModel, AddingAndRemoving) {
  CMenuItemsModel m(L"1,,2");
  // The separator may be added again and again and stays on offer.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(AddResult::Added, m.Add(0));
  EXPECT_EQ((Ints{1, 2, 0, 0, 0}), m.Active());
  EXPECT_EQ(0, m.Inactive()[0]);
  EXPECT_EQ(U8(L"区切り線（セパレーター）"), U8(m.Labels(MenuItemsList::Inactive)[0]));

  // A command moves to the end of the active list and leaves the other one.
  EXPECT_EQ(AddResult::Added, m.Add(InactiveLineOf(m, 17)));
  EXPECT_EQ((Ints{1, 2, 0, 0, 0, 17}), m.Active());
  EXPECT_EQ(-1, InactiveLineOf(m, 17));

  EXPECT_EQ(AddResult::NoSuchLine, m.Add(-1));
  EXPECT_EQ(AddResult::NoSuchLine, m.Add(static_cast<int>(m.Inactive().size())));

  // A removed command goes back in ascending order; a removed separator is gone for good.
  EXPECT_TRUE(m.Remove(1));
  EXPECT_EQ((Ints{1, 0, 0, 0, 17}), m.Active());
  EXPECT_EQ(InactiveFor({1, 17}), m.Inactive());
  EXPECT_EQ(2, m.Inactive()[1]);
  EXPECT_TRUE(m.Remove(2));
  EXPECT_EQ((Ints{1, 0, 0, 17}), m.Active());
  EXPECT_EQ(InactiveFor({1, 17}), m.Inactive());
  EXPECT_FALSE(m.Remove(-1));
  EXPECT_FALSE(m.Remove(4));
  EXPECT_EQ(L"1,0,0,17", m.StoredText());

  // Everything removed: an empty stored text, every command on offer again.
  while (!m.Active().empty()) m.Remove(0);
  EXPECT_EQ(L"", m.StoredText());
  EXPECT_EQ(InactiveFor({}), m.Inactive());
}

TEST(MenuItemsModel, MovingUpAndDownStopsAtTheEnds) {
  CMenuItemsModel m(L"5,6,0");
  EXPECT_EQ(-1, m.MoveUp(0));
  EXPECT_EQ(-1, m.MoveDown(2));
  EXPECT_EQ(-1, m.MoveUp(-1));
  EXPECT_EQ(-1, m.MoveDown(-1));
  EXPECT_EQ(-1, m.MoveDown(3));
  EXPECT_EQ((Ints{5, 6, 0}), m.Active());
  EXPECT_EQ(1, m.MoveDown(0));
  EXPECT_EQ((Ints{6, 5, 0}), m.Active());
  EXPECT_EQ(1, m.MoveUp(2));
  EXPECT_EQ((Ints{6, 0, 5}), m.Active());
}

TEST(MenuItemsModel, DroppingADraggedLineLandsBeforeTheLineUnderIt) {
  const Ints wxyz{1, 2, 3, 4};  // W X Y Z
  struct Case {
    int from, onto, landed;
    Ints after;
  } cases[] = {
      {0, 3, 2, {2, 3, 1, 4}},   // W onto Z: X Y W Z
      {3, 1, 1, {1, 4, 2, 3}},   // Z onto X: W Z X Y
      {1, 1, -1, wxyz},          // onto itself
      {1, 2, -1, wxyz},          // onto the line below
      {-1, 2, -1, wxyz},         // nothing dragged
      {2, -1, -1, wxyz},         // dropped off the lines (also after the last one)
      {2, 4, -1, wxyz},
      {2, 0, 0, {3, 1, 2, 4}},   // up to the top
      {0, 2, 1, {2, 1, 3, 4}},
  };
  for (const Case& c : cases) {
    CMenuItemsModel m(L"1,2,3,4");
    EXPECT_EQ(c.landed, m.Drop(c.from, c.onto)) << c.from << " onto " << c.onto;
    EXPECT_EQ(c.after, m.Active()) << c.from << " onto " << c.onto;
  }
}

TEST(MenuItemsModel, ResetGivesTheDefaultList) {
  CMenuItemsModel m(L"3,0,0,0");
  m.Reset();
  EXPECT_EQ(L"7,8,9,10,14,16,0,5,6,0,11,12,18,19,20,21,0,17,0,13,15,0,1,2,3,4", m.StoredText());
  EXPECT_EQ(Ints{0}, m.Inactive());
}

TEST(MenuItemsModel, NeverGrowsPastTheStoredField) {
  CMenuItemsModel m(DefaultMenuItemsText());
  ASSERT_EQ(63u, m.StoredText().size());
  // Each separator adds ",0": 18 more fit exactly, the 19th would make 101 characters.
  for (int i = 0; i < 18; ++i) ASSERT_EQ(AddResult::Added, m.Add(0)) << i;
  EXPECT_EQ(kMaxMenuItemsText, m.StoredText().size());
  EXPECT_FALSE(m.CanAdd(0));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(AddResult::TooLong, m.Add(0));
  EXPECT_EQ(kMaxMenuItemsText, m.StoredText().size());
  EXPECT_EQ(Ints{0}, m.Inactive());

  // After a removal there is room again, counted in characters: a two-digit command needs three.
  CMenuItemsModel n(L"1,2,3,4,5,6,7,8,9");  // 17 characters
  while (n.StoredText().size() + 2 <= kMaxMenuItemsText - 1) ASSERT_EQ(AddResult::Added, n.Add(0));
  ASSERT_EQ(97u, n.StoredText().size());
  EXPECT_FALSE(n.CanAdd(InactiveLineOf(n, 12)));
  EXPECT_EQ(AddResult::TooLong, n.Add(InactiveLineOf(n, 12)));
  EXPECT_NE(-1, InactiveLineOf(n, 12));
  EXPECT_TRUE(n.CanAdd(0));
  EXPECT_EQ(AddResult::Added, n.Add(0));
  EXPECT_EQ(kMaxMenuItemsText, n.StoredText().size());
  EXPECT_TRUE(n.Remove(0));
  EXPECT_EQ(AddResult::Added, n.Add(InactiveLineOf(n, 1)));
  EXPECT_EQ(kMaxMenuItemsText, n.StoredText().size());

  // The first entry of an empty list needs no comma.
  CMenuItemsModel e(L"");
  EXPECT_EQ(AddResult::Added, e.Add(InactiveLineOf(e, 21)));
  EXPECT_EQ(L"21", e.StoredText());
}

}  // namespace
