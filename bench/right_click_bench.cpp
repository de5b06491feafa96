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
    LoadSettings(s);
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
  factory.Reset();
  data.Reset();
  return 0;
}
