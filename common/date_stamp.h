#pragma once
// The one routine that turns a date format into a stamp for a file name. The context-menu
// extension, the options page's preview and the keyboard extension all call it, so a format the
// options page accepts always gives the commands a usable stamp.
#include <windows.h>

#include <string>
#include <string_view>

#include "date_format.h"

struct CDateStamp {
  std::wstring text;  // the expansion, also when it is unusable; empty when there is none
  StampError error = StampError::None;
  bool Usable() const { return error == StampError::None; }
};

// Converts the UTF-16 format to the thread's ANSI code page (a character it lacks becomes "?",
// never a look-alike), expands it for `time`, converts the result back and checks it on the UTF-16
// text for the nine characters a file name cannot hold.
CDateStamp MakeDateStamp(std::wstring_view format, const CStampTime& time);

CStampTime StampTimeOf(const SYSTEMTIME& time);
