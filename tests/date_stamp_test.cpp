// The one date-stamp routine: what a format gives for a time, and why a stamp is refused.
#include <gtest/gtest.h>

#include "date_stamp.h"
#include "test_support.h"

namespace {

constexpr CStampTime kMarch5{2024, 3, 5, 14, 7, 9};

std::string Expand(std::string_view format, const CStampTime& t = kMarch5) {
  std::string out;
  StampError e = ExpandDateFormat(format, t, out);
  return e == StampError::None ? out : "<error " + std::to_string(static_cast<int>(e)) + ">";
}

StampError ExpandError(std::string_view format, const CStampTime& t = kMarch5) {
  std::string out;
  return ExpandDateFormat(format, t, out);
}

TEST(DateFormat, ExpandsTheConversionsOfTheRuntime) {
  EXPECT_EQ("20240305", Expand("%Y%m%d"));
  EXPECT_EQ("20240305_140709", Expand("%Y%m%d_%H%M%S"));
  EXPECT_EQ("Tue Tuesday 2 065 %", Expand("%a %A %w %j %%"));
  EXPECT_EQ("5-3", Expand("%#d-%#m")) << "the alternate form drops leading zeros";
}

TEST(DateFormat, WeekdayAndDayOfYearHoldForEveryYear) {
  // Computed, not taken from mktime, which fails before 1970.
  EXPECT_EQ("Mon 1 001", Expand("%a %w %j", {1601, 1, 1, 0, 0, 0}));
  EXPECT_EQ("Thu 060", Expand("%a %j", {1900, 3, 1, 0, 0, 0})) << "1900 is no leap year";
  EXPECT_EQ("Tue 060", Expand("%a %j", {2000, 2, 29, 0, 0, 0})) << "2000 is one";
  EXPECT_EQ("Mon 1", Expand("%a %w", {1, 1, 1, 0, 0, 0}));
  EXPECT_EQ("Fri 365", Expand("%a %j", {9999, 12, 31, 23, 59, 59}));
  EXPECT_EQ("Sun 01 00", Expand("%a %U %W", {2023, 1, 1, 0, 0, 0}));
}

TEST(DateFormat, RefusesWhatTheRuntimeMustNeverSee) {
  EXPECT_EQ(StampError::UnknownConversion, ExpandError("%Q"));
  EXPECT_EQ(StampError::UnknownConversion, ExpandError("%F")) << "C99 conversions are not the runtime's";
  EXPECT_EQ(StampError::UnknownConversion, ExpandError("%Y%")) << "a lone percent at the end";
  EXPECT_EQ(StampError::UnknownConversion, ExpandError("%#"));
  EXPECT_EQ(StampError::Empty, ExpandError(""));
  EXPECT_EQ(StampError::TooLong, ExpandError(std::string(92, 'x') + "%Y%m%d"));
  EXPECT_EQ(StampError::None, ExpandError(std::string(93, 'x') + "%Y%m")) << "99 bytes still fit";
  // A file time can reach year 30827; the runtime's parameter check would end the process.
  for (CStampTime t : {CStampTime{0, 1, 1}, CStampTime{10000, 1, 1}, CStampTime{30827, 12, 31},
                       CStampTime{2024, 13, 1}, CStampTime{2023, 2, 29}, CStampTime{2024, 3, 5, 24, 0, 0},
                       CStampTime{2024, 3, 5, 0, 60, 0}, CStampTime{2024, 3, 5, 0, 0, 60}})
    EXPECT_EQ(StampError::TimeOutOfRange, ExpandError("%Y", t)) << t.year << "-" << t.month << "-" << t.day;
}

TEST(DateStamp, JudgesTheStampOnItsUtf16Text) {
  CDateStamp s = MakeDateStamp(L"%Y年%m月%d日", kMarch5);
  EXPECT_TRUE(s.Usable());
  EXPECT_EQ(U8(L"2024年03月05日"), U8(s.text));
  // The second byte of 表, ソ and 能 in code page 932 is a backslash: still usable.
  s = MakeDateStamp(L"%Y年表ソ能", kMarch5);
  EXPECT_TRUE(s.Usable());
  EXPECT_EQ(U8(L"2024年表ソ能"), U8(s.text));
  for (const wchar_t* bad : {L"%Y/%m/%d", L"%H:%M", L"%X", L"%x", L"a\\b", L"a*", L"a?", L"\"a\"", L"<a>", L"a|b"})
    EXPECT_EQ(StampError::UnusableCharacter, MakeDateStamp(bad, kMarch5).error) << U8(bad);
}

TEST(DateStamp, ACharacterTheCodePageLacksMakesTheStampUnusable) {
  ASSERT_EQ(932u, ::GetACP()) << "the test bed runs with code page 932";
  // No best fit: é must not quietly become e.
  CDateStamp s = MakeDateStamp(L"%Yé", kMarch5);
  EXPECT_EQ(StampError::UnusableCharacter, s.error);
  EXPECT_EQ("2024?", U8(s.text));
  EXPECT_EQ(StampError::UnusableCharacter, MakeDateStamp(L"%Y\u0416\u00e0", kMarch5).error) << "Cyrillic is in 932, à is not";
  EXPECT_EQ(StampError::UnknownConversion, MakeDateStamp(L"%é", kMarch5).error) << "as the runtime would see it";
}

TEST(DateStamp, ReasonsComeThroughUnchanged) {
  EXPECT_EQ(StampError::Empty, MakeDateStamp(L"", kMarch5).error);
  EXPECT_EQ(StampError::UnknownConversion, MakeDateStamp(L"%Q", kMarch5).error);
  EXPECT_EQ(StampError::TooLong, MakeDateStamp(std::wstring(45, L'年') + L"%Y%m%d%Y%m%d", kMarch5).error);
  EXPECT_EQ(StampError::TimeOutOfRange, MakeDateStamp(L"%Y", {30827, 1, 1}).error);
  SYSTEMTIME st = {};
  st.wYear = 2014;
  st.wMonth = 3;
  st.wDay = 5;
  st.wDayOfWeek = 0;  // ignored: the weekday is computed
  EXPECT_EQ("Wed", U8(MakeDateStamp(L"%a", StampTimeOf(st)).text));
}

}  // namespace
