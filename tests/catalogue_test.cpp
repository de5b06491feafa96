// The command catalogue and the comma lists that store menus and name-part orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <set>

#include "catalogue.h"
#include "int_list.h"
#include "test_support.h"

namespace {

TEST(Catalogue, DefaultMenuHoldsEveryCommandOnceAndFiveSeparators) {
  std::multiset<int> items(DefaultMenuItems.begin(), DefaultMenuItems.end());
  EXPECT_EQ(5u, items.count(0));
  for (int i = 1; i <= kLastCommand; ++i) EXPECT_EQ(1u, items.count(i)) << i;
  EXPECT_EQ(L"7,8,9,10,14,16,0,5,6,0,11,12,18,19,20,21,0,17,0,13,15,0,1,2,3,4", DefaultMenuItemsText());
}

TEST(Catalogue, LabelsVerbsAndTheirBounds) {
  EXPECT_EQ(U8(L"区切り線（セパレーター）"), U8(CommandLabel(0)));
  EXPECT_EQ(U8(L"末尾にファイル更新日付（%s）を挿入"), U8(CommandLabel(21)));
  EXPECT_STREQ(L"", CommandLabel(22));
  EXPECT_STREQ(L"", CommandLabel(-1));
  EXPECT_EQ(nullptr, CommandVerb(0));
  EXPECT_EQ(nullptr, CommandVerb(22));
  EXPECT_STREQ("AddAutoNumber", CommandVerb(17));
  std::size_t longestVerb = 0, longestHelp = 0;
  for (int i = 1; i <= kLastCommand; ++i) {
    longestVerb = std::max(longestVerb, std::strlen(CommandVerb(i)));
    longestHelp = std::max(longestHelp, CommandHelpText(i, false).size());
    EXPECT_FALSE(CommandHelpText(i, false).empty()) << i;
  }
  EXPECT_EQ(33u, longestVerb);
  EXPECT_EQ(61u, longestHelp);
  EXPECT_EQ(L"", CommandHelpText(0, false));
}

TEST(Catalogue, HelpTextsForFilesAndFolders) {
  EXPECT_EQ(U8(L"フォルダ名をクリップボードにコピーします。"), U8(CommandHelpText(3, true)));
  EXPECT_EQ(U8(L"拡張子を含むファイル名をクリップボードにコピーします。"), U8(CommandHelpText(3, false)));
  EXPECT_EQ(U8(L"フォルダ名のフルパスをクリップボードにコピーします。Shiftキーで\\→\\\\。"), U8(CommandHelpText(1, true)));
  EXPECT_EQ(U8(L"親フォルダのパスをクリップボードにコピーします。Shiftキーで\\→\\\\。"), U8(CommandHelpText(2, true)));
  EXPECT_EQ(U8(L"ファイル名の先頭に ~$ を挿入します。Ctrlキーでリネームしてコピー。"), U8(CommandHelpText(13, false)));
  EXPECT_EQ(U8(L"フォルダ名の先頭にある ~$ を取り除きます。Ctrlキーでリネームしてコピー。"), U8(CommandHelpText(14, true)));
  EXPECT_EQ(U8(L"拡張子の末尾にある $ を取り除きます。Ctrlキーでリネームしてコピー。"), U8(CommandHelpText(16, false)));
  EXPECT_EQ(U8(L"先頭にフォルダ作成日付（%s）を挿入"), U8(ApplyFolderWording(CommandLabel(18), true)));
}

TEST(IntList, ReadingSkipsEmptyPiecesAndReadsLikeWcstol) {
  EXPECT_EQ((std::vector<long>{5, 0}), ParseIntList(L",,5,,0,"));
  EXPECT_EQ((std::vector<long>{7, -3, 0, 12}), ParseIntList(L" 7x,-3,abc,+12"));
  EXPECT_TRUE(ParseIntList(L"").empty());
  EXPECT_TRUE(ParseIntList(L",,,").empty());
  EXPECT_EQ((std::vector<long>{0, 1, 2}), ParseIntList(L"0,1,2"));
}

TEST(IntList, EveryPieceReadsAsTheRuntimesWcstolReadsIt) {
  // Read without the heap, through a small buffer: long blanks, zeros and digit runs included.
  const std::wstring pieces[] = {L"0-5",
                                 L"-0x1",
                                 L"+-1",
                                 L"  +007",
                                 L"\u3000 12",
                                 L"\uff11\uff12",
                                 L"-",
                                 L"2147483648",
                                 std::wstring(40, L' ') + L"-9",
                                 std::wstring(40, L'0') + L"42",
                                 L"-" + std::wstring(40, L'0') + L"1",
                                 std::wstring(40, L'9'),
                                 L"-" + std::wstring(40, L'8')};
  for (const std::wstring& piece : pieces) {
    const std::vector<long> read = ParseIntList(piece);
    ASSERT_EQ(1u, read.size()) << U8(piece);
    EXPECT_EQ(std::wcstol(piece.c_str(), nullptr, 10), read[0]) << U8(piece);
  }
}

TEST(IntList, WritingJoinsWithCommasOnly) {
  EXPECT_EQ(L"2,0,1", FormatIntList({2, 0, 1}));
  EXPECT_EQ(L"", FormatIntList({}));
  std::vector<long> back = ParseIntList(FormatIntList({-1, 21, 0}));
  EXPECT_EQ((std::vector<long>{-1, 21, 0}), back);
}

}  // namespace
