// The check list behind the rename-edit extension's detail dialog: stored order and marks, moves
// that keep every mark, and mended hand-edited lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "name_parts_model.h"
#include "test_support.h"

namespace {

using Ints = std::vector<int>;

std::string Lines(const CNamePartsModel& m) {
  std::wstring out;
  for (int line = 0; line < m.LineCount(); ++line) {
    if (line) out += L" / ";
    out += (m.IsChecked(line) ? L"[x] " : L"[ ] ") + m.Label(line);
  }
  return U8(out);
}

TEST(NamePartsModel, DefaultsShowEveryPartChecked) {
  CNamePartsModel m(L"0,1,2", L"0,1,2");
  EXPECT_EQ(U8(L"[x] ベース名 / [x] 拡張子 / [x] ファイル名全体"), Lines(m));
  EXPECT_EQ(L"0,1,2", m.OrderText());
  EXPECT_EQ(L"0,1,2", m.CheckedText());
}

TEST(NamePartsModel, MovesKeepEveryMark) {
  // Unchecking 拡張子 and moving ファイル名全体 to the top stores 2,0,1 and 2,0.
  CNamePartsModel m(L"0,1,2", L"0,1,2");
  m.SetChecked(1, false);
  EXPECT_EQ(1, m.MoveUp(2));
  EXPECT_EQ(0, m.MoveUp(1));
  EXPECT_EQ(U8(L"[x] ファイル名全体 / [x] ベース名 / [ ] 拡張子"), Lines(m));
  EXPECT_EQ(L"2,0,1", m.OrderText());
  EXPECT_EQ(L"2,0", m.CheckedText());

  // Read back, the same lines; a mark changed just before a move travels with its line.
  CNamePartsModel back(L"2,0,1", L"2,0");
  EXPECT_EQ(Lines(m), Lines(back));
  back.SetChecked(2, true);
  back.SetChecked(0, false);
  EXPECT_EQ(1, back.MoveUp(2));
  EXPECT_EQ(U8(L"[ ] ファイル名全体 / [x] 拡張子 / [x] ベース名"), Lines(back));
  EXPECT_EQ(L"1,0", back.CheckedText());

  EXPECT_EQ(-1, back.MoveUp(0));
  EXPECT_EQ(-1, back.MoveDown(2));
  EXPECT_EQ(-1, back.MoveUp(-1));
  EXPECT_EQ(-1, back.MoveDown(-1));
  EXPECT_EQ(-1, back.MoveDown(3));
  EXPECT_EQ(L"2,1,0", back.OrderText());

  for (int line = 0; line < 3; ++line) back.SetChecked(line, false);
  EXPECT_EQ(L"", back.CheckedText());
  back.SetChecked(7, true);
  EXPECT_EQ(L"", back.CheckedText());
}

TEST(NamePartsModel, MendsHandEditedLists) {
  struct Case {
    const wchar_t* order;
    const wchar_t* checked;
    const wchar_t* orderOut;
    const wchar_t* checkedOut;
  } cases[] = {
      {L"5,1,1,0", L"5,1,1,0", L"1,0,2", L"1,0"},
      {L"9,x,2,2", L"9,x,2,2", L"0,2,1", L"0,2"},  // x reads as 0
      {L"", L"", L"0,1,2", L""},
      {L"2", L"-1,3,2", L"2,0,1", L"2"},
      {L",,1,,", L"2,,0", L"1,0,2", L"0,2"},  // marks are stored in line order
      {L"0,1,2,0,1,2", L"0,1,2,0,1,2", L"0,1,2", L"0,1,2"},
  };
  for (const Case& c : cases) {
    CNamePartsModel m(c.order, c.checked);
    EXPECT_EQ(c.orderOut, m.OrderText()) << U8(c.order);
    EXPECT_EQ(c.checkedOut, m.CheckedText()) << U8(c.checked);
    EXPECT_LE(m.OrderText().size(), 5u);
    EXPECT_LE(m.CheckedText().size(), 5u);
  }
  EXPECT_EQ((Ints{2, 0, 1}), ReadNamePartOrder(L"2"));
  EXPECT_EQ((Ints{1}), ReadNamePartChecks(L"1,1,7"));
  EXPECT_STREQ(L"", NamePartLabel(3));
}

}  // namespace
