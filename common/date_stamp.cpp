#include "date_stamp.h"

namespace {

// The format in the thread's ANSI code page, with "?" for what it cannot represent and no best-fit
// look-alikes ("é" must not quietly become "e").
std::string ToAnsiStrict(std::wstring_view text, bool& lossy) {
  lossy = false;
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  int n = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, "?",
                                &usedDefault);
  if (n > 0) {
    std::string out(n, '\0');
    ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, out.data(), n, "?", &usedDefault);
    lossy = usedDefault != FALSE;
    return out;
  }
  // A UTF-8 code page takes neither the flag nor a default character, and represents everything.
  n = ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), length, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), length, nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), length, out.data(), n);
  return out;
}

}  // namespace

CDateStamp MakeDateStamp(std::wstring_view format, const CStampTime& time) {
  CDateStamp stamp;
  bool lossy = false;
  std::string narrow = ToAnsiStrict(format, lossy);
  std::string expanded;
  stamp.error = ExpandDateFormat(narrow, time, expanded);
  if (!stamp.Usable()) return stamp;
  // Checked on UTF-16: in code page 932 the second byte of 表 or ソ is a backslash.
  stamp.text = FromAnsi(expanded);
  if (lossy || HasForbiddenFileNameChar(stamp.text)) stamp.error = StampError::UnusableCharacter;
  return stamp;
}

CStampTime StampTimeOf(const SYSTEMTIME& t) {
  return CStampTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}
