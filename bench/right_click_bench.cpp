// Prints the time of one right-click on a file with the default settings (Initialize,
// QueryContextMenu, destroying the menu), beside the floor of the system calls that work cannot
// avoid (taking the selection from the data object, opening the item and reading its times, reading
// the settings file, filling a menu of as many entries), in the same run; then the settings read
// alone, as one reading of the file and as the 17 private-profile reads it replaced.
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

  // The entries the submenu shows for this item, read off one real right-click: the floor builds
  // a menu of as many, since Explorer's menu cannot be filled with fewer calls.
  std::vector<std::wstring> labels;
  {
    CComPtr<IShellExtInit> init = client.CreateHandler();
    CComPtr<IContextMenu> menu;
    CMenu popup(::CreatePopupMenu());
    if (FAILED(init->Initialize(nullptr, data.Get(), nullptr)) ||
        FAILED(init->QueryInterface(IID_IContextMenu, menu.PutVoid())) ||
        FAILED(menu->QueryContextMenu(popup.Get(), 0, 1, 0x7FFF, CMF_NORMAL)))
      return 1;
    for (int i = 0, n = ::GetMenuItemCount(popup.Get()); i < n; ++i) {
      if (HMENU sub = ::GetSubMenu(popup.Get(), i)) {
        for (int j = 0, m = ::GetMenuItemCount(sub); j < m; ++j) {
          wchar_t text[256] = {};
          ::GetMenuStringW(sub, j, text, 256, MF_BYPOSITION);
          labels.push_back(text);
        }
      }
    }
  }

  int failures = 0;
  auto click = [&] {
    if (!ClassicRightClick(factory.Get(), data.Get())) failures++;
  };
  auto floor = [&] {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    CStgMedium medium;
    data->GetData(&format, medium.Put());
    HANDLE f = ::CreateFileW(item.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME c, w;
    ::GetFileTime(f, &c, nullptr, &w);
    ::CloseHandle(f);
    CSettings s;
    s.SetIniFilePath(defaults.GetIniFilePath());
    LoadSettingsChecked(s, kRightClickSharingWaitMs);
    CMenu popup(::CreatePopupMenu());
    HMENU sub = ::CreatePopupMenu();
    UINT id = 1;
    for (const std::wstring& label : labels)
      ::InsertMenuW(sub, id, MF_BYPOSITION | (label.empty() ? MF_SEPARATOR : MF_STRING), id, label.c_str()), ++id;
    ::InsertMenuW(popup.Get(), 0, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), L"x");
  };
  // Alternating rounds, so that both see the same machine.
  std::vector<double> clickTimes, floorTimes;
  for (int i = 0; i < rounds; ++i) {
    clickTimes.push_back(Microseconds(click));
    floorTimes.push_back(Microseconds(floor));
  }
  std::printf("one right-click on a file, default settings, %d rounds\n", rounds);
  const double clickMedian = PrintTimes("Initialize + QueryContextMenu + DestroyMenu", clickTimes);
  const double floorMedian = PrintTimes("floor: the system calls it cannot avoid", floorTimes);
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
