// The one date-stamp routine: what a format gives for a time, and why a stamp is refused.
#include <gtest/gtest.h>

#include <clocale>
#include <ctime>

#include "date_stamp.h"
#include "test_support.h"

namespace {

constexpr CStampTime kMarch5{2024, 3, 5, 14, 7, 9};

std::string Expand(std::string_view format, const CStampTime& t = kMarch5) {
  CStampBytes out;
  StampError e = ExpandDateFormat(format, t, out);
  return e == StampError::None ? std::string(out.View()) : "<error " + std::to_string(static_cast<int>(e)) + ">";
}

StampError ExpandError(std::string_view format, const CStampTime& t = kMarch5) {
  CStampBytes out;
  return ExpandDateFormat(format, t, out);
}

TEST(DateFormat, ExpandsTheConversionsOfTheRuntime) {
  EXPECT_EQ("20240305", Expand("%Y%m%d"));
  EXPECT_EQ("20240305_140709", Expand("%Y%m%d_%H%M%S"));
  EXPECT_EQ("Tue Tuesday 2 065 %", Expand("%a %A %w %j %%"));
  EXPECT_EQ("5-3", Expand("%#d-%#m")) << "the alternate form drops leading zeros";
}

// Sets the runtime's locale for the process, as a program hosting the hook may have done.
class CProcessLocale {
public:
  explicit CProcessLocale(const char* name) : set_(std::setlocale(LC_ALL, name) != nullptr) {}
  ~CProcessLocale() { std::setlocale(LC_ALL, "C"); }
  bool Set() const { return set_; }

private:
  bool set_;
};

std::string RuntimeStrftime(const char* format, const CStampTime& t) {
  const std::tm tm = RuntimeTimeOf(t);
  char out[128];
  return std::string(out, std::strftime(out, sizeof out, format, &tm));
}

TEST(DateFormat, AgreesWithTheRuntimeInTheCLocale) {
  // Every day of two years (week numbers around each new year), then a spread of the runtime's
  // range, at hours that cover midnight, noon and both halves of the day.
  std::vector<CStampTime> times;
  for (int day = 0; day < 731; ++day) {
    int year = 2023 + day / 366, yearDay = day % 366;
    int month = 1;
    while (month < 12 && yearDay >= DaysInMonth(year, month)) yearDay -= DaysInMonth(year, month++);
    if (yearDay < DaysInMonth(year, month)) times.push_back({year, month, yearDay + 1, day % 24, day % 60, day % 59});
  }
  for (int i = 0; i < 400; ++i)
    times.push_back({1900 + (i * 7919) % 8100, 1 + i % 12, 1 + (i * 13) % 28, (i * 5) % 24, (i * 7) % 60, i % 60});
  ASSERT_STREQ("C", std::setlocale(LC_ALL, nullptr));
  for (const char* format : {"%a", "%A", "%b", "%B", "%c", "%d", "%H", "%I", "%j", "%m", "%M", "%p", "%S",
                             "%U", "%w", "%W", "%x", "%X", "%y", "%Y", "%z", "%Z", "%%", "%#c", "%#d", "%#H",
                             "%#I", "%#j", "%#m", "%#M", "%#S", "%#U", "%#w", "%#W", "%#x", "%#y", "%#Y", "%#a"}) {
    int differences = 0;
    for (const CStampTime& t : times) {
      if (Expand(format, t) == RuntimeStrftime(format, t) || ++differences > 3) continue;
      ADD_FAILURE() << format << " on " << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":"
                    << t.minute << ": " << Expand(format, t) << " vs " << RuntimeStrftime(format, t);
    }
  }
}

TEST(DateFormat, KeepsTheCLocaleInAProcessThatSetAnother) {
  CProcessLocale japanese("Japanese");
  ASSERT_TRUE(japanese.Set());
  constexpr CStampTime kDecember7{2026, 12, 7, 15, 4, 5};
  ASSERT_NE("MonDecPM", RuntimeStrftime("%a%b%p", kDecember7)) << "the runtime follows the process's locale";
  EXPECT_EQ("MonDecPM", U8(MakeDateStamp(L"%a%b%p", kDecember7).text));
  EXPECT_EQ("Monday, December 07, 2026 15:04:05", Expand("%#c", kDecember7));
  EXPECT_EQ("12/07/26 03PM", Expand("%x %I%p", kDecember7));
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
  // The longest format that can still fit is expanded; the stamp holds no NUL a caller would cut at.
  std::wstring longest;
  for (std::size_t i = 0; i < kMaxStampBytes; ++i) longest += L"%#d";
  ASSERT_EQ(kMaxFormatBytes, longest.size());
  CDateStamp s = MakeDateStamp(longest, kMarch5);
  EXPECT_TRUE(s.Usable());
  EXPECT_EQ(std::string(kMaxStampBytes, '5'), U8(s.text));
  EXPECT_EQ(kMaxStampBytes, s.size);
  EXPECT_EQ(StampError::TooLong, MakeDateStamp(longest + L"x", kMarch5).error);
  EXPECT_EQ(StampError::UnusableCharacter, MakeDateStamp(std::wstring(L"%Y\0%m", 6), kMarch5).error);
  SYSTEMTIME st = {};
  st.wYear = 2014;
  st.wMonth = 3;
  st.wDay = 5;
  st.wDayOfWeek = 0;  // ignored: the weekday is computed
  EXPECT_EQ("Wed", U8(MakeDateStamp(L"%a", StampTimeOf(st)).text));
}

}  // namespace
