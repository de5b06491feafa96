#include "date_stamp.h"

#include "path_rules.h"

namespace {

// The format in the thread's ANSI code page.
struct CAnsiFormat {
  char text[kMaxFormatBytes] = {};
  std::size_t size = 0;
  bool fits = true;
  bool lossy = false;  // a character became "?"
};

// With "?" for what the code page cannot represent and no best-fit look-alikes ("é" must not
// quietly become "e").
CAnsiFormat ToAnsiStrict(std::wstring_view format) {
  CAnsiFormat out;
  if (format.empty()) return out;
  const int length = static_cast<int>(format.size());
  const int capacity = static_cast<int>(sizeof out.text);
  BOOL usedDefault = FALSE;
  int n = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, format.data(), length, nullptr, 0, "?",
                                &usedDefault);
  if (n > 0) {
    out.fits = n <= capacity;
    if (out.fits)
      n = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, format.data(), length, out.text, capacity, "?",
                                &usedDefault);
    out.lossy = usedDefault != FALSE;
  } else {
    // A UTF-8 code page takes neither the flag nor a default character, and represents everything.
    n = ::WideCharToMultiByte(CP_THREAD_ACP, 0, format.data(), length, nullptr, 0, nullptr, nullptr);
    out.fits = n <= capacity;
    if (out.fits && n > 0)
      n = ::WideCharToMultiByte(CP_THREAD_ACP, 0, format.data(), length, out.text, capacity, nullptr, nullptr);
  }
  out.size = out.fits && n > 0 ? static_cast<std::size_t>(n) : 0;
  return out;
}

}  // namespace

CDateStamp MakeDateStamp(std::wstring_view format, const CStampTime& time) {
  CDateStamp stamp;
  const CAnsiFormat narrow = ToAnsiStrict(format);
  if (!narrow.fits) {
    stamp.error = StampError::TooLong;
    return stamp;
  }
  CStampBytes expanded;
  stamp.error = ExpandDateFormat(std::string_view(narrow.text, narrow.size), time, expanded);
  if (!stamp.Usable()) return stamp;
  const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, expanded.text, static_cast<int>(expanded.size), stamp.text,
                                      static_cast<int>(kMaxStampBytes));
  stamp.size = n > 0 ? static_cast<std::size_t>(n) : 0;
  // Checked on UTF-16: in code page 932 the second byte of 表 or ソ is a backslash.
  if (narrow.lossy || HasForbiddenFileNameChar(stamp.Text()) || stamp.Text().find(L'\0') != std::wstring_view::npos)
    stamp.error = StampError::UnusableCharacter;
  return stamp;
}

CStampTime StampTimeOf(const SYSTEMTIME& t) {
  return CStampTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}
