// Prints what Windows 11's menu costs us, in the same run as its floors: the root's GetState, which
// runs at every right-click, beside the shell calls it cannot avoid (count, one item, its file-system
// name); and the submenu's enumeration with every child read, beside the classic right-click.
#include <windows.h>
#include <shobjidl.h>

#include <cstdio>
#include <vector>

#include "bench_clock.h"
#include "settings.h"
#include "shell_client.h"
#include "test_support.h"

int main() {
  CInstalledLibrary library(L"bench");
  SaveSettings(LibrarySettings(library.Folder().Path()));  // a real settings file with every key
  std::wstring item = library.Folder() / L"report 2024_03_05.txt";
  WriteBytes(item, "x");
  CShellClient& client = library.Client();
  CComPtr<IExplorerCommand> root = client.CreateExplorerCommand();
  CComPtr<IShellItemArray> items = ShellItems({item});
  CComPtr<IClassFactory> factory = client.Factory();
  CComPtr<IDataObject> data = ShellDataObject({item});
  int failures = 0;

  auto getState = [&] {
    EXPCMDSTATE state = ECS_HIDDEN;
    if (FAILED(root->GetState(items.Get(), FALSE, &state)) || state != ECS_ENABLED) failures++;
  };
  auto stateFloor = [&] {
    DWORD count = 0;
    items->GetCount(&count);
    CComPtr<IShellItem> first;
    items->GetItemAt(0, first.Put());
    CCoTaskString name;
    if (FAILED(first->GetDisplayName(SIGDN_FILESYSPATH, name.Put()))) failures++;
  };
  auto enumerate = [&] {
    std::size_t lines = 0;
    for (const CComPtr<IExplorerCommand>& child : SubCommands(root.Get())) lines += ReadCommand(child.Get()).text.size();
    if (lines == 0) failures++;
  };
  auto click = [&] {
    if (!ClassicRightClick(factory.Get(), data.Get())) failures++;
  };

  // Alternating rounds, so that each pair sees the same machine.
  const int stateRounds = 20000, menuRounds = 1000;
  std::vector<double> stateTimes, floorTimes, enumTimes, clickTimes;
  for (int i = 0; i < stateRounds; ++i) {
    stateTimes.push_back(Microseconds(getState));
    floorTimes.push_back(Microseconds(stateFloor));
  }
  for (int i = 0; i < menuRounds; ++i) {
    enumTimes.push_back(Microseconds(enumerate));
    clickTimes.push_back(Microseconds(click));
  }

  std::printf("Windows 11's menu on a file, default settings\n");
  std::printf("root's GetState, %d rounds\n", stateRounds);
  const double state = PrintTimes("GetState", stateTimes);
  const double floor = PrintTimes("floor: GetCount, GetItemAt, GetDisplayName", floorTimes);
  std::printf("ratio of medians: %.2f (target at most 1.20)\n", state / floor);
  std::printf("submenu, %d rounds\n", menuRounds);
  const double tree = PrintTimes("EnumSubCommands + each child's title, state, flags", enumTimes);
  const double classic = PrintTimes("classic: Initialize + QueryContextMenu", clickTimes);
  std::printf("ratio of medians: %.2f\n", tree / classic);
  if (failures) std::printf("%d calls failed: the figures are void\n", failures);
  root.Reset();
  items.Reset();
  factory.Reset();
  data.Reset();
  return 0;
}
