// Prints the time of the save that OK makes (SaveSettings: reading the file as it is now, the new
// file written beside it, checked and swapped in) for a small settings file and for settings files
// of about 10 MB: code page 932 with CRLF, UTF-8 without a byte-order mark with LF (Japanese
// comments), and UTF-16. Each round starts from the same file and changes one value.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "settings.h"
#include "test_support.h"
#include "text.h"

namespace {

const wchar_t kDefaultSection[] =
    L"[Default]\r\nEnableExplorerRenameExt=False\r\nEnableContextMenuExt=True\r\n"
    L"RenameExt_FileNamePartCheckList=0,1,2\r\nRenameExt_FileNamePartSelectOrder=0,1,2\r\n"
    L"RenameExt_SelectExceptPeriod=False\r\nRenameExt_ExtendHomeEnd=False\r\nRenameExt_HomeEndInSelection=False\r\n"
    L"RenameExt_InsertDate=False\r\nRenameExt_InsertDateTimeInShift=False\r\nRenameExt_AddUnderbarOnDate=False\r\n"
    L"RenameExt_ClearInTab=False\r\nRenameExt_EnableExtAtAllEdit=False\r\n"
    L"ContextMenuExt_MenuItems=7,8,9,10,14,16,0,5,6,0,11,12,18,19,20,21,0,17,0,13,15,0,1,2,3,4\r\n"
    L"ContextMenuExt_AddUnderbarOnDate=True\r\nDateFormat=%Y%m%d\r\nDateTimeFormat=%Y%m%d_%H%M%S\r\n"
    L"DateTimeConnectionString=0\r\n";

// The settings section, then other sections up to about `bytes` once encoded: notes and keys of
// other tools, half of them Japanese.
template <typename Encode>
std::string LargeFile(std::size_t bytes, const wchar_t* lineBreak, Encode encode) {
  std::wstring text = ReplaceAll(kDefaultSection, L"\r\n", lineBreak);
  std::size_t units = bytes;
  for (int section = 0; text.size() < units; ++section) {
    if (section == 100) units = bytes * text.size() / encode(text).size();
    text += L"; 他のツールの設定 " + std::to_wstring(section) + lineBreak;
    text += L"[Other" + std::to_wstring(section) + L"]" + lineBreak;
    for (int key = 0; key < 100; ++key)
      text += L"Key" + std::to_wstring(key) + (key % 2 ? L"=ファイル名の変更履歴" : L"=C:\\Users\\user\\Documents") +
              lineBreak;
  }
  return encode(text);
}

// The processor time this process has used, in microseconds: on a busy machine it varies less
// than the time on the clock, but it is counted in steps of 10 to 16 ms.
double ProcessorMicroseconds() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto us = [](const FILETIME& t) { return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 10; };
  return us(kernel) + us(user);
}

void Measure(const char* what, const std::wstring& path, const std::string& bytes, int rounds) {
  std::vector<double> times, processor;
  for (int i = 0; i < rounds; ++i) {
    WriteBytes(path, bytes);
    CSettings settings;
    settings.SetIniFilePath(path);
    LoadSettingsChecked(settings);
    settings.dateTimeConnection = 1 + i % 2;  // one radio button changed
    const double before = ProcessorMicroseconds();
    times.push_back(Microseconds([&] { SaveSettings(settings); }));
    processor.push_back(ProcessorMicroseconds() - before);
  }
  char label[96];
  std::snprintf(label, sizeof label, "%s (%.1f MB)", what, bytes.size() / 1e6);
  PrintTimes(label, times);
  if (bytes.size() > 1000 * 1000) PrintTimes("  processor time", processor);
}

}  // namespace

int main() {
  CTempDir dir(L"bench");
  const std::wstring path = dir / L"tavrino.ini";
  const std::size_t large = 10 * 1000 * 1000;
  Measure("OK, small file (code page 932, CRLF)", path, ToThreadAnsi(kDefaultSection), 100);
  Measure("OK, large file (code page 932, CRLF)", path,
          LargeFile(large, L"\r\n", [](const std::wstring& t) { return ToThreadAnsi(t); }), 7);
  Measure("OK, large file (UTF-8 without mark, LF)", path,
          LargeFile(large, L"\n", [](const std::wstring& t) { return ToUtf8(t); }), 7);
  Measure("OK, large file (UTF-16)", path,
          LargeFile(large, L"\r\n", [](const std::wstring& t) { return "\xFF\xFE" + Utf16Bytes(t); }), 7);
  return 0;
}
