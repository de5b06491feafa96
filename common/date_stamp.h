#pragma once
// The one routine that turns a date format into a stamp for a file name. The context-menu
// extension, the options page's preview and the keyboard extension all call it, so a format the
// options page accepts always gives the commands a usable stamp. It takes nothing from the heap:
// the keyboard extension stamps names inside every process its hook is loaded into.
#include <windows.h>

#include <cstddef>
#include <string_view>

#include "date_format.h"

struct CDateStamp {
  // The expansion, also when it is unusable; empty when there is none. Terminated: each character
  // comes from at least one byte of the expansion, so kMaxStampBytes of them always fit.
  wchar_t text[kMaxStampBytes + 1] = {};
  std::size_t size = 0;
  StampError error = StampError::None;
  bool Usable() const { return error == StampError::None; }
  std::wstring_view Text() const { return {text, size}; }
};

// Converts the UTF-16 format to the thread's ANSI code page (a character it lacks becomes "?",
// never a look-alike), expands it for `time`, converts the result back and checks it on the UTF-16
// text for the nine characters a file name cannot hold (and for a NUL, which ends any name).
// A format of more than kMaxFormatBytes in that code page is refused as too long.
CDateStamp MakeDateStamp(std::wstring_view format, const CStampTime& time);

// Each byte of text gives a byte and each conversion of at most three bytes at least one (all but a
// time zone without a name), so no longer format gives a stamp that fits.
constexpr std::size_t kMaxFormatBytes = 3 * kMaxStampBytes;

CStampTime StampTimeOf(const SYSTEMTIME& time);
