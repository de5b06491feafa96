// Prints the time of one right-click on a file with the default settings (Initialize,
// QueryContextMenu, destroying the menu), beside the floor of the system calls that work cannot
// avoid (opening the item and reading its times, reading the settings file), in the same run.
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
  std::printf("one right-click on a file, default settings, %d rounds\n", rounds);
  const double clickMedian = PrintTimes("Initialize + QueryContextMenu + DestroyMenu", clickTimes);
  const double floorMedian = PrintTimes("floor: open item, read times, read settings", floorTimes);
  if (failures) std::printf("%d right-clicks failed: the figures are void\n", failures);
  std::printf("ratio of medians: %.2f\n", clickMedian / floorMedian);
  factory.Reset();
  data.Reset();
  client.Controller()->Unregister();
  return 0;
}
