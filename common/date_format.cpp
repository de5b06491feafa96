#include "date_format.h"

#include <ctime>

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

std::tm RuntimeTimeOf(const CStampTime& time) {
  std::tm t = {};
  t.tm_year = time.year - 1900;
  t.tm_mon = time.month - 1;
  t.tm_mday = time.day;
  t.tm_hour = time.hour;
  t.tm_min = time.minute;
  t.tm_sec = time.second;
  t.tm_wday = DayOfWeek(time.year, time.month, time.day);
  t.tm_yday = DayOfYear(time.year, time.month, time.day);
  // Standard time: the stamped time is a wall-clock reading, and nothing may move its hour.
  t.tm_isdst = 0;
  return t;
}

namespace {

// The names of the "C" locale, computed here: the runtime's strftime follows whatever locale the
// process hosting us has set, and a stamp must not depend on which program the box belongs to.
constexpr std::string_view kWeekdays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
constexpr std::string_view kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};

// The short names are the first three letters.
std::string_view Abbreviated(std::string_view name) { return std::string_view(name.data(), 3); }

// The expansion so far: bytes past kMaxStampBytes are counted, not kept.
class CStampWriter {
public:
  explicit CStampWriter(CStampBytes& out) : out_(out) {}
  std::size_t Length() const { return length_; }
  void Append(char c) {
    if (length_ < kMaxStampBytes) out_.text[length_] = c;
    ++length_;
  }
  void Append(std::string_view bytes) {
    for (char c : bytes) Append(c);
  }

private:
  CStampBytes& out_;
  std::size_t length_ = 0;
};

// `width` digits with leading zeros; none with the alternate form ("#").
void AppendNumber(CStampWriter& out, int value, int width, bool alternate) {
  char digits[12];
  std::size_t n = sizeof digits;
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    digits[--n] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[--n] = '-';
  const std::size_t length = sizeof digits - n;
  if (!alternate)
    for (std::size_t i = length; i < static_cast<std::size_t>(width); ++i) out.Append('0');
  out.Append(std::string_view(digits + n, length));
}

void AppendConversion(CStampWriter& out, char conversion, bool alternate, const std::tm& t);

// Expands a format whose conversions are all known; also the composite conversions' own formats.
void AppendFormat(CStampWriter& out, std::string_view format, const std::tm& t) {
  // A runaway format stops as soon as it is too long for any stamp.
  for (std::size_t i = 0; i < format.size() && out.Length() <= kMaxStampBytes; ++i) {
    if (format[i] != '%') {
      out.Append(format[i]);
      continue;
    }
    const bool alternate = format[++i] == '#';
    if (alternate) ++i;
    AppendConversion(out, format[i], alternate, t);
  }
}

void AppendConversion(CStampWriter& out, char conversion, bool alternate, const std::tm& t) {
  switch (conversion) {
    case 'a':
      out.Append(Abbreviated(kWeekdays[t.tm_wday]));
      break;
    case 'A':
      out.Append(kWeekdays[t.tm_wday]);
      break;
    case 'b':
      out.Append(Abbreviated(kMonths[t.tm_mon]));
      break;
    case 'B':
      out.Append(kMonths[t.tm_mon]);
      break;
    case 'c':
      AppendFormat(out, alternate ? "%#x %X" : "%x %X", t);
      break;
    case 'x':
      AppendFormat(out, alternate ? "%A, %B %d, %Y" : "%m/%d/%y", t);
      break;
    case 'X':
      AppendFormat(out, "%H:%M:%S", t);
      break;
    case 'd':
      AppendNumber(out, t.tm_mday, 2, alternate);
      break;
    case 'H':
      AppendNumber(out, t.tm_hour, 2, alternate);
      break;
    case 'I':
      AppendNumber(out, t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12, 2, alternate);
      break;
    case 'j':
      AppendNumber(out, t.tm_yday + 1, 3, alternate);
      break;
    case 'm':
      AppendNumber(out, t.tm_mon + 1, 2, alternate);
      break;
    case 'M':
      AppendNumber(out, t.tm_min, 2, alternate);
      break;
    case 'p':
      out.Append(t.tm_hour < 12 ? "AM" : "PM");
      break;
    case 'S':
      AppendNumber(out, t.tm_sec, 2, alternate);
      break;
    case 'U':
      AppendNumber(out, (t.tm_yday + 7 - t.tm_wday) / 7, 2, alternate);
      break;
    case 'w':
      AppendNumber(out, t.tm_wday, 1, alternate);
      break;
    case 'W':
      AppendNumber(out, (t.tm_yday + 7 - (t.tm_wday + 6) % 7) / 7, 2, alternate);
      break;
    case 'y':
      AppendNumber(out, (t.tm_year + 1900) % 100, 2, alternate);
      break;
    case 'Y':
      AppendNumber(out, t.tm_year + 1900, 4, alternate);
      break;
    case '%':
      out.Append('%');
      break;
    case 'z':
    case 'Z': {
      // The time zone's name, the system's and no locale's: the runtime has it.
      const char format[3] = {'%', conversion, '\0'};
      char buffer[128];
      out.Append(std::string_view(buffer, std::strftime(buffer, sizeof buffer, format, &t)));
      break;
    }
  }
}

}  // namespace

StampError ExpandDateFormat(std::string_view format, const CStampTime& time, CStampBytes& out) {
  out = {};
  if (!IsStampableTime(time)) return StampError::TimeOutOfRange;
  if (!IsKnownDateFormat(format)) return StampError::UnknownConversion;
  CStampWriter writer(out);
  AppendFormat(writer, format, RuntimeTimeOf(time));
  if (writer.Length() == 0) return StampError::Empty;
  if (writer.Length() > kMaxStampBytes) {
    out = {};
    return StampError::TooLong;
  }
  out.size = writer.Length();
  return StampError::None;
}
