// The name rules on their own: what each command makes of a name.
#include <gtest/gtest.h>

#include "name_rules.h"
#include "test_support.h"

namespace {

NameParts Name(const std::wstring& base, const std::wstring& ext = L".txt") { return {L"C:\\d", base, ext}; }

std::string Head(const std::wstring& base) { return U8(NumericHead(base).value_or(L"<none>")); }
std::string Tail(const std::wstring& base) { return U8(NumericTail(base).value_or(L"<none>")); }

TEST(NameRules, NumericHeadTakesTheLeadingRunOfDigitsAndSeparators) {
  EXPECT_EQ("2024_03_05 ", Head(L"2024_03_05 report"));
  EXPECT_EQ("(1) ", Head(L"(1) memo"));
  EXPECT_EQ("1", Head(L"1st report"));
  EXPECT_EQ("<none>", Head(L"123")) << "nothing would be left";
  EXPECT_EQ("<none>", Head(L"abc123"));
  EXPECT_EQ("<none>", Head(L"__ report")) << "separators without a digit";
  EXPECT_EQ(U8(L"C:\\d\\report.txt"), U8(PathWithoutNumericHead(Name(L"2024_03_05 report")).value()));
  EXPECT_EQ(U8(L"C:\\d\\st report.txt"), U8(PathWithoutNumericHead(Name(L"1st report")).value()));
}

TEST(NameRules, NumericTailTakesTheTrailingRunOfDigitsAndSeparators) {
  EXPECT_EQ("_01", Tail(L"report_01"));
  EXPECT_EQ(" (2)", Tail(L"report (2)"));
  EXPECT_EQ("2", Tail(L"a1b2"));
  EXPECT_EQ("<none>", Tail(L"2024"));
  EXPECT_EQ("<none>", Tail(L"report_"));
  EXPECT_EQ(U8(L"C:\\d\\report.txt"), U8(PathWithoutNumericTail(Name(L"report (2)")).value()));
  EXPECT_EQ(U8(L"C:\\d\\a1b.txt"), U8(PathWithoutNumericTail(Name(L"a1b2")).value()));
  // Full-width digits are letters to these rules.
  EXPECT_EQ("<none>", Tail(L"報告書１２"));
}

TEST(NameRules, CopyAndShortcutDecorations) {
  NameParts twice = Name(L"コピー ～ コピー (2) ～ memo");
  EXPECT_EQ(U8(L"C:\\d\\コピー (2) ～ memo.txt"), U8(PathWithoutCopyPrefix(twice, false)));
  EXPECT_EQ(U8(L"C:\\d\\memo.txt"), U8(PathWithoutCopyPrefix(twice, true)));
  EXPECT_EQ(U8(L"C:\\d\\メモ コピー ～ a.txt"), U8(PathWithoutCopyPrefix(Name(L"メモ コピー ～ a"), true)));
  EXPECT_EQ(U8(L"C:\\d\\memo.lnk"), U8(PathWithoutShortcutSuffix(Name(L"memo へのショートカット", L".lnk")).value()));
  EXPECT_FALSE(PathWithoutShortcutSuffix(Name(L"memo へのショートカット copy")));
  EXPECT_FALSE(PathWithoutShortcutSuffix(Name(L"へのショートカット memo")));
}

TEST(NameRules, MarkersGoOnAndComeOff) {
  EXPECT_EQ(L"C:\\d\\~$memo.txt", PathWithNameDisabled(Name(L"memo")));
  EXPECT_EQ(L"C:\\d\\memo.txt", PathWithNameEnabled(Name(L"~$memo")).value());
  EXPECT_FALSE(PathWithNameEnabled(Name(L"~memo")));
  EXPECT_FALSE(PathWithNameEnabled(Name(L"$~memo")));
  EXPECT_EQ(L"C:\\d\\memo.txt$", PathWithExtensionDisabled(Name(L"memo")));
  EXPECT_EQ(L"C:\\d\\memo$", PathWithExtensionDisabled(Name(L"memo", L"")));
  EXPECT_EQ(L"C:\\d\\memo.txt", PathWithExtensionEnabled(Name(L"memo", L".txt$")).value());
  EXPECT_FALSE(PathWithExtensionEnabled(Name(L"memo$", L"")));
}

TEST(NameRules, CaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(L"C:\\DATA\\MEMO.TXT", AsciiUpper(L"C:\\data\\Memo.txt"));
  EXPECT_EQ(L"c:\\data\\memo.txt", AsciiLower(L"C:\\Data\\MEMO.TXT"));
  EXPECT_EQ(L"ＡＢＣäé\\データ", AsciiUpper(L"ＡＢＣäé\\データ"));
  EXPECT_EQ(L"ａｂｃÄ", AsciiLower(L"ａｂｃÄ"));
}

TEST(NameRules, NumberingAndDatedNames) {
  EXPECT_EQ(L"C:\\d\\memo(2).txt", AutoNumberedPath(Name(L"memo"), 2, false));
  EXPECT_EQ(L"C:\\d\\memo(002).txt", AutoNumberedPath(Name(L"memo"), 2, true));
  EXPECT_EQ(L"C:\\d\\memo(999).txt", AutoNumberedPath(Name(L"memo"), 999, true));
  EXPECT_EQ(L"C:\\d\\photos(1)", AutoNumberedPath(Name(L"photos", L""), 1, false));
  EXPECT_EQ(L"C:\\d\\20240305_memo.txt", DatedPath(Name(L"memo"), L"20240305", L"_", true));
  EXPECT_EQ(L"C:\\d\\memo-20240305.txt", DatedPath(Name(L"memo"), L"20240305", L"-", false));
  EXPECT_EQ(L"C:\\d\\20240305(3)_memo.txt", NumberedDatedPath(Name(L"memo"), L"20240305", 3, true));
  EXPECT_EQ(L"C:\\d\\memo_20240305(2).txt", NumberedDatedPath(Name(L"memo"), L"20240305", 2, false));
  EXPECT_EQ(L"C:\\name.txt", DatedPath({L"C:\\", L"name", L".txt"}, L"", L"", true)) << "one backslash at a root";
}

TEST(NameRules, ConnectorsOutsideTheTableFallBackToTheFirst) {
  EXPECT_STREQ(L"_", DateConnector(true, 0));
  EXPECT_STREQ(L"-", DateConnector(true, 1));
  EXPECT_STREQ(L" ", DateConnector(true, 2));
  EXPECT_STREQ(L"_", DateConnector(true, 3));
  EXPECT_STREQ(L"_", DateConnector(true, -1));
  EXPECT_STREQ(L"", DateConnector(false, 1));
}

TEST(NameRules, LabelDateIsFixed) { EXPECT_EQ(L"2014年03月05日", LabelDate(2014, 3, 5)); }

}  // namespace
