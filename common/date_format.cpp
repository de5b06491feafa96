#include "date_format.h"

#include <ctime>
#include <vector>

bool IsKnownDateFormat(std::string_view format) {
  // The conversions of the system's C runtime; C99 additions such as %F or %T are not among them.
  static constexpr std::string_view kConversions = "aAbBcdHIjmMpSUwWxXyYzZ%";
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (++i < format.size() && format[i] == '#') ++i;
    if (i >= format.size() || kConversions.find(format[i]) == std::string_view::npos) return false;
  }
  return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

int DayOfWeek(int year, int month, int day) {
  // Sakamoto's method: valid for every year of the proleptic Gregorian calendar from 1 on.
  static constexpr int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
}

int DayOfYear(int year, int month, int day) {
  int days = day - 1;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days;
}

bool IsStampableTime(const CStampTime& t) {
  return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
         t.second >= 0 && t.second <= 59;
}

StampError ExpandDateFormat(std::string_view format, const CStampTime& time, std::string& out) {
  out.clear();
  if (!IsStampableTime(time)) return StampError::TimeOutOfRange;
  if (!IsKnownDateFormat(format)) return StampError::UnknownConversion;
  if (format.empty()) return StampError::Empty;
  std::tm t = {};
  t.tm_year = time.year - 1900;
  t.tm_mon = time.month - 1;
  t.tm_mday = time.day;
  t.tm_hour = time.hour;
  t.tm_min = time.minute;
  t.tm_sec = time.second;
  t.tm_wday = DayOfWeek(time.year, time.month, time.day);
  t.tm_yday = DayOfYear(time.year, time.month, time.day);
  // Standard time: the stamped time is a wall-clock reading, and no normalisation may move its hour.
  t.tm_isdst = 0;
  // Room for any expansion of the format, so that "too long" and "nothing" can be told apart.
  std::vector<char> buffer(kMaxStampBytes + 1 + format.size() * 128);
  std::string terminated(format);
  std::size_t n = std::strftime(buffer.data(), buffer.size(), terminated.c_str(), &t);
  if (n == 0) return StampError::Empty;
  if (n > kMaxStampBytes) return StampError::TooLong;
  out.assign(buffer.data(), n);
  return StampError::None;
}
