// Prints the time of one right-click on a file with the default settings (Initialize,
// QueryContextMenu, destroying the menu), beside the floor of the system calls that work cannot
// avoid (opening the item and reading its times, reading the settings file), in the same run.
// It also prints the settings read alone: one reading of the file against the 17 private-profile
// reads, one per key, that it replaced.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app.h"
#include "bench_clock.h"
#include "settings.h"
#include "shell_client.h"
#include "test_support.h"

namespace {

template <typename F>
double Microseconds(F&& work) {
  double start = NowMicroseconds();
  work();
  return NowMicroseconds() - start;
}

// The earlier way: one private-profile read per key, each opening the file again.
void LoadByProfileReads(const std::wstring& path) {
  static const wchar_t* const keys[] = {
      L"EnableExplorerRenameExt", L"EnableContextMenuExt", L"RenameExt_FileNamePartSelectOrder",
      L"RenameExt_FileNamePartCheckList", L"RenameExt_SelectExceptPeriod", L"RenameExt_ExtendHomeEnd",
      L"RenameExt_HomeEndInSelection", L"RenameExt_InsertDate", L"RenameExt_InsertDateTimeInShift",
      L"RenameExt_AddUnderbarOnDate", L"RenameExt_ClearInTab", L"RenameExt_EnableExtAtAllEdit",
      L"ContextMenuExt_AddUnderbarOnDate", L"ContextMenuExt_MenuItems", L"DateFormat", L"DateTimeFormat"};
  wchar_t buffer[1024];
  for (const wchar_t* key : keys)
    ::GetPrivateProfileStringW(L"Default", key, L"", buffer, 1024, path.c_str());
  ::GetPrivateProfileIntW(L"Default", L"DateTimeConnectionString", 0, path.c_str());
}

void Print(const char* what, const std::vector<double>& t) {
  std::printf("%-44s median %8.1f us   p90 %8.1f us   min %8.1f us\n", what, t[t.size() / 2], t[t.size() * 9 / 10], t[0]);
}

}  // namespace

int main() {
  CComApartment com;
  CTempDir install(L"bench");
  CopyDeliverables(install.Path(), {L"tavrino_shellext.dll"});
  CApp app(install.Path(), CApp().UserName());  // the folder the library reads
  app.CreateDataFolders();
  CSettings defaults;
  defaults.SetIniFilePath(app.GetIniFilePath());
  SaveSettings(defaults);  // a real settings file with every key, as after the first OK
  std::wstring item = install / L"report 2024_03_05.txt";
  WriteBytes(item, "x");

  CShellClient client(install.Path());
  client.RegisterAndConnect();
  CComPtr<IClassFactory> factory = client.Factory();
  CComPtr<IDataObject> data = ShellDataObject({item});
  const int rounds = 1000;

  int failures = 0;
  auto click = [&] {
    CComPtr<IShellExtInit> init;
    factory->CreateInstance(nullptr, IID_IShellExtInit, init.PutVoid());
    if (FAILED(init->Initialize(nullptr, data.Get(), nullptr))) failures++;
    CComPtr<IContextMenu> menu;
    init->QueryInterface(IID_IContextMenu, menu.PutVoid());
    HMENU h = ::CreatePopupMenu();
    if (FAILED(menu->QueryContextMenu(h, 0, 1, 0x7FFF, CMF_NORMAL)) || ::GetMenuItemCount(h) != 3) failures++;
    ::DestroyMenu(h);
  };
  auto floor = [&] {
    HANDLE f = ::CreateFileW(item.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME c, w;
    ::GetFileTime(f, &c, nullptr, &w);
    ::CloseHandle(f);
    CSettings s;
    s.SetIniFilePath(app.GetIniFilePath());
    LoadSettings(s);
  };
  // Alternating rounds, so that both see the same machine.
  std::vector<double> clickTimes, floorTimes;
  for (int i = 0; i < rounds; ++i) {
    clickTimes.push_back(Microseconds(click));
    floorTimes.push_back(Microseconds(floor));
  }
  std::sort(clickTimes.begin(), clickTimes.end());
  std::sort(floorTimes.begin(), floorTimes.end());
  std::vector<double> onceTimes, perKeyTimes;
  for (int i = 0; i < rounds; ++i) {
    onceTimes.push_back(Microseconds([&] {
      CSettings s;
      s.SetIniFilePath(app.GetIniFilePath());
      LoadSettingsChecked(s, kRightClickSharingWaitMs);
    }));
    perKeyTimes.push_back(Microseconds([&] { LoadByProfileReads(app.GetIniFilePath()); }));
  }
  std::sort(onceTimes.begin(), onceTimes.end());
  std::sort(perKeyTimes.begin(), perKeyTimes.end());

  std::printf("one right-click on a file, default settings, %d rounds\n", rounds);
  Print("Initialize + QueryContextMenu + DestroyMenu", clickTimes);
  Print("floor: open item, read times, read settings", floorTimes);
  if (failures) std::printf("%d right-clicks failed: the figures are void\n", failures);
  std::printf("ratio of medians: %.2f\n", clickTimes[rounds / 2] / floorTimes[rounds / 2]);
  std::printf("\nthe settings read alone, %d rounds\n", rounds);
  Print("now: one reading of the file", onceTimes);
  Print("before: 17 private-profile reads", perKeyTimes);
  factory.Reset();
  data.Reset();
  client.Controller()->Unregister();
  return 0;
}
