// Prints the time of one right-click on a file with the default settings (Initialize,
// QueryContextMenu, destroying the menu), beside the floor of the system calls that work cannot
// avoid (taking the selection from the data object, opening the item and reading its times, reading
// the settings file, filling a menu of as many entries), in the same run; what Windows 11 adds to
// it; then the settings read alone, as one reading of the file and as the 17 private-profile reads
// it replaced.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "package_state.h"
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

  // On Windows 11 the right-click also decides whether the classic handler stands back: the record
  // of what the command tree was asked about, and only where it was, the package's folder (here as
  // if registered for this folder, so that every comparison runs). Wine reports Windows 10, where
  // none of this runs, so it is timed on its own and added to the right-click.
  const std::wstring folder = library.Folder().Path();
  RecordTopLevelMenuAsked(CItemKind::File, FinalFolderForm(folder));
  std::vector<double> decisionTimes;
  for (int i = 0; i < rounds; ++i) {
    decisionTimes.push_back(Microseconds([&] {
      std::optional<std::wstring> askedIn = TopLevelMenuAskedIn(CItemKind::File);
      if (!askedIn) failures++;
      std::optional<std::wstring> registered = RegisteredPackageFolder();
      if (!ClassicMenuStandsBack(folder, kFirstTopLevelMenuBuild, registered.value_or(folder), askedIn)) failures++;
    }));
  }
  const double decision = PrintTimes("Windows 11: record, package folder, comparison", decisionTimes);
  std::printf("right-click with it, ratio to the floor: %.2f\n", (clickMedian + decision) / floorMedian);
  if (failures) std::printf("%d calls failed: the figures are void\n", failures);

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
