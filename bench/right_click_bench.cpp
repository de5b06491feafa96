// Prints the time of one right-click on a file with the default settings (Initialize,
// QueryContextMenu, destroying the menu), beside the floor of the system calls that work cannot
// avoid (opening the item and reading its times, reading the settings file), in the same run.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_clock.h"
#include "settings.h"
#include "shell_client.h"
#include "test_support.h"

namespace {

// The earlier way: one private-profile read per key, each opening the file again.
void LoadByProfileReads(const std::wstring& path) {
  static const wchar_t* const keys[] = {
      L"EnableExplorerRenameExt", L"EnableContextMenuExt", L"RenameExt_FileNamePartSelectOrder",
      L"RenameExt_FileNamePartCheckList", L"RenameExt_SelectExceptPeriod", L"RenameExt_ExtendHomeEnd",
      L"RenameExt_HomeEndInSelection", L"RenameExt_InsertDate", L"RenameExt_InsertDateTimeInShift",
      L"RenameExt_AddUnderbarOnDate", L"RenameExt_ClearInTab", L"RenameExt_EnableExtAtAllEdit",
      L"ContextMenuExt_AddUnderbarOnDate", L"ContextMenuExt_MenuItems", L"DateFormat", L"DateTimeFormat"};
  wchar_t buffer[1024];
  for (const wchar_t* key : keys) ::GetPrivateProfileStringW(L"Default", key, L"", buffer, 1024, path.c_str());
  ::GetPrivateProfileIntW(L"Default", L"DateTimeConnectionString", 0, path.c_str());
}

}  // namespace

int main() {
  CInstalledLibrary library(L"bench");
  const CSettings defaults = LibrarySettings(library.Folder().Path());
  SaveSettings(defaults);  // a real settings file with every key, as after the first OK
  std::wstring item = library.Folder() / L"report 2024_03_05.txt";
  WriteBytes(item, "x");
  CShellClient& client = library.Client();
  CComPtr<IClassFactory> factory = client.Factory();
  CComPtr<IDataObject> data = ShellDataObject({item});
  const int rounds = 1000;

  int failures = 0;
  auto click = [&] {
    if (!ClassicRightClick(factory.Get(), data.Get())) failures++;
  };
  auto floor = [&] {
    HANDLE f = ::CreateFileW(item.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME c, w;
    ::GetFileTime(f, &c, nullptr, &w);
    ::CloseHandle(f);
    CSettings s;
    s.SetIniFilePath(defaults.GetIniFilePath());
    LoadSettingsChecked(s, kRightClickSharingWaitMs);
  };
  // Alternating rounds, so that both see the same machine.
  std::vector<double> clickTimes, floorTimes;
  for (int i = 0; i < rounds; ++i) {
    clickTimes.push_back(Microseconds(click));
    floorTimes.push_back(Microseconds(floor));
  }
  std::printf("one right-click on a file, default settings, %d rounds\n", rounds);
  const double clickMedian = PrintTimes("Initialize + QueryContextMenu + DestroyMenu", clickTimes);
  const double floorMedian = PrintTimes("floor: open item, read times, read settings", floorTimes);
  if (failures) std::printf("%d right-clicks failed: the figures are void\n", failures);
  std::printf("ratio of medians: %.2f\n", clickMedian / floorMedian);

  std::vector<double> onceTimes, perKeyTimes;
  for (int i = 0; i < rounds; ++i) {
    onceTimes.push_back(Microseconds([&] {
      CSettings s;
      s.SetIniFilePath(defaults.GetIniFilePath());
      LoadSettingsChecked(s, kRightClickSharingWaitMs);
    }));
    perKeyTimes.push_back(Microseconds([&] { LoadByProfileReads(defaults.GetIniFilePath()); }));
  }
  std::printf("\nthe settings read alone, %d rounds\n", rounds);
  PrintTimes("now: one reading of the file", onceTimes);
  PrintTimes("before: 17 private-profile reads", perKeyTimes);
  factory.Reset();
  data.Reset();
  return 0;
}
