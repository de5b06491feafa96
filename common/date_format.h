#pragma once
// Date formats are strftime formats expanded in the "C" locale. This is the byte-level core:
// which conversions are known, the calendar facts they need, and the expansion itself.
// No window system here; date_stamp.h adds the code-page conversions around it. Nothing here takes
// memory from the heap: the keyboard hook stamps names inside every process it is loaded into.
#include <cstddef>
#include <ctime>
#include <string_view>

#include "path_rules.h"

// A local time to stamp, as the clock or a file time gives it.
struct CStampTime {
  int year = 1;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Why a format gives no usable stamp.
enum class StampError {
  None,
  UnknownConversion,  // a conversion the runtime does not define (it may end the process)
  Empty,              // the format is empty or expands to nothing
  TooLong,            // the stamp needs more than 99 bytes
  UnusableCharacter,  // the stamp holds \ / : * ? " < > |, or a character the code page lacks
  TimeOutOfRange,     // not a calendar time of the years 1 to 9999
};

constexpr std::size_t kMaxStampBytes = 99;

// The bytes of an expansion, terminated.
struct CStampBytes {
  char text[kMaxStampBytes + 1] = {};
  std::size_t size = 0;
  std::string_view View() const { return {text, size}; }
};

// True when every conversion is one the system's runtime defines, optionally with the "#" flag.
bool IsKnownDateFormat(std::string_view format);

// Proleptic Gregorian calendar, the one Windows times use.
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
int DayOfWeek(int year, int month, int day);  // 0 = Sunday
int DayOfYear(int year, int month, int day);  // 0 = 1 January
// Years 1 to 9999 with a real month, day and time of day: the range the runtime accepts.
bool IsStampableTime(const CStampTime& time);

// The runtime's record of a stampable time, weekday and day of year filled in, as standard time.
std::tm RuntimeTimeOf(const CStampTime& time);

// Expands a narrow format for `time` into `out` as the runtime's strftime does in the "C" locale,
// whatever locale the process has set: every conversion but the time zone's name is computed here,
// for every year.
// Nothing is kept of an expansion that does not fit.
StampError ExpandDateFormat(std::string_view format, const CStampTime& time, CStampBytes& out);
