// Windows 11's command tree as its menu meets it: the real library's class created through
// DllGetClassObject, given shell item arrays, walked and invoked through IExplorerCommand. Its
// submenu is compared with the classic handler's for the same item and settings.
#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "package_identity.h"
#include "package_state.h"
#include "registry_snapshot.h"
#include "shell_client.h"
#include "test_support.h"
#include "text.h"
#include "windows_probe.h"

namespace {

constexpr UINT kFirst = 200;
const std::wstring kCaption = L"タブリノリネーム";

FILETIME LocalTime(const SYSTEMTIME& local) {
  FILETIME lft, utc;
  ::SystemTimeToFileTime(&local, &lft);
  ::LocalFileTimeToFileTime(&lft, &utc);
  return utc;
}

class ExplorerCommandTest : public ::testing::Test {
protected:
  // The list of commands, and a date-and-time format whose stamp does not depend on the hour.
  void UseMenuList(const wchar_t* list) {
    CSettings s = LibrarySettings(install_.Path());
    if (list) wcscpy(s.contextMenuExtMenuItems, list);
    wcscpy(s.dateTimeFormat, L"%Y%m%dT");
    SaveSettings(s);
  }

  std::wstring File(const std::wstring& name, const char* bytes = "x") {
    WriteBytes(work_ / name, bytes);
    return work_ / name;
  }

  EXPCMDSTATE RootState(IExplorerCommand* root, IShellItemArray* items) {
    EXPCMDSTATE state = 0xFF;
    EXPECT_EQ(root->GetState(items, FALSE, &state), S_OK);
    return state;
  }

  // The submenu Windows 11 shows after a right-click on `path`.
  std::vector<CComPtr<IExplorerCommand>> Tree(const std::wstring& path) {
    CComPtr<IExplorerCommand> root = Client().CreateExplorerCommand();
    EXPECT_EQ(RootState(root.Get(), ShellItems({path}).Get()), ECS_ENABLED) << U8(path);
    return SubCommands(root.Get());
  }

  std::vector<MenuLine> Classic(const std::wstring& path, std::vector<std::wstring>* tips) {
    CComPtr<IShellExtInit> init = Client().CreateHandler();
    EXPECT_EQ(init->Initialize(nullptr, ShellDataObject({path}).Get(), nullptr), S_OK) << U8(path);
    CComPtr<IContextMenu> menu;
    init->QueryInterface(IID_IContextMenu, menu.PutVoid());
    CMenu explorer(::CreatePopupMenu());
    menu->QueryContextMenu(explorer.Get(), 0, kFirst, kFirst + 100, CMF_NORMAL);
    std::vector<MenuLine> lines = ReadMenu(::GetSubMenu(explorer.Get(), 1));
    for (const MenuLine& line : lines) {
      wchar_t tip[128] = {};
      if (line.id) menu->GetCommandString(line.id - kFirst, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(tip), 128);
      tips->push_back(tip);
    }
    return lines;
  }

  CShellClient& Client() const { return library_.Client(); }  // a new one after a restart

  CInstalledLibrary library_{L"ツリー"};
  const CTempDir& install_ = library_.Folder();
  CTempDir work_{L"項目"};
};

TEST_F(ExplorerCommandTest, RootIsShownOnlyForOneItemTheClassicHandlerAccepts) {
  const std::wstring a = File(L"a.txt"), b = File(L"b.txt"), folder = work_ / L"photos";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  WriteBytes(L"\\\\?\\" + (work_ / L"memo."), "odd");
  // The shell never hands these forms over; stand-ins show that the rule still refuses them.
  const struct {
    const char* what;
    CComPtr<IShellItemArray> items;
    EXPCMDSTATE state;
  } cases[] = {
      {"no item", StandInItems({}), ECS_HIDDEN},
      {"one file", ShellItems({a}), ECS_ENABLED},
      {"two files", ShellItems({a, b}), ECS_HIDDEN},
      {"a folder", ShellItems({folder}), ECS_ENABLED},
      {"a drive root (copy commands only)", ShellItems({L"C:\\"}), ECS_ENABLED},
      {"a relative path", StandInItems({L"a.txt"}), ECS_HIDDEN},
      {"a drive-relative path", StandInItems({L"C:a.txt"}), ECS_HIDDEN},
      {"a device path", StandInItems({L"\\\\?\\" + a}), ECS_HIDDEN},
      {"a device name", StandInItems({work_ / L"NUL"}), ECS_HIDDEN},
      {"a trailing period", StandInItems({work_ / L"memo."}), ECS_HIDDEN},
      {"too long for the classic buffers", StandInItems({work_ / std::wstring(260, L'n')}), ECS_HIDDEN},
      {"no array", {}, ECS_HIDDEN},
  };
  CComPtr<IExplorerCommand> root = Client().CreateExplorerCommand();
  for (const auto& c : cases) {
    EXPECT_EQ(RootState(root.Get(), c.items.Get()), c.state) << c.what;
    // A hidden root has nothing to enumerate, even after an earlier accepted item.
    CComPtr<IEnumExplorerCommand> list;
    EXPECT_EQ(SUCCEEDED(root->EnumSubCommands(list.Put())), c.state == ECS_ENABLED) << c.what;
  }

  CCoTaskString title;
  ASSERT_EQ(root->GetTitle(nullptr, title.Put()), S_OK);
  EXPECT_EQ(U8(title.Get()), U8(L"タブリノリネーム(&N)"));
  EXPECT_EQ(root->Invoke(ShellItems({a}).Get(), nullptr), E_NOTIMPL) << "the entry only opens its submenu";
  EXPECT_EQ(ListFolder(work_.Path()).size(), 4u);
  EXPCMDFLAGS flags = 0;
  ASSERT_EQ(root->GetFlags(&flags), S_OK);
  EXPECT_EQ(flags, ECF_HASSUBCOMMANDS);

  // The icon is the library's own, named as "path,-id", and loads from it.
  CCoTaskString icon;
  ASSERT_EQ(root->GetIcon(nullptr, icon.Put()), S_OK);
  std::wstring location = icon.Get();
  const std::size_t comma = location.rfind(L",-");
  ASSERT_NE(comma, std::wstring::npos) << U8(location);
  EXPECT_EQ(location.substr(0, comma), Client().ServerPath());
  HICON loaded = nullptr;
  EXPECT_EQ(::ExtractIconExW(Client().ServerPath().c_str(), std::stoi(location.substr(comma + 1)), &loaded, nullptr, 1),
            1u);
  if (loaded) ::DestroyIcon(loaded);
  ::DeleteFileW((L"\\\\?\\" + (work_ / L"memo.")).c_str());
}

// One set of rules: for every item and menu list, Windows 11's submenu reads as the classic one,
// separators, greyed commands and help texts included.
TEST_F(ExplorerCommandTest, SubmenuReadsAsTheClassicMenu) {
  const std::wstring folder = work_ / L"photos";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring items[] = {File(L"report.txt"), File(L"README"), folder, File(L"2024_03_05 memo (3).txt"),
                                File(L"~$memo.txt$"), File(L"コピー ～ memo へのショートカット.lnk"), L"C:\\"};
  const wchar_t* lists[] = {nullptr, L"4,15,1", L"3,4,13,15,16,18,0,1", L"0,0,5,0,0", L"7,8,9,10,14,16",
                            L"5,99,-1,,0,x,6", L""};
  for (const wchar_t* list : lists) {
    UseMenuList(list);
    for (const std::wstring& item : items) {
      SCOPED_TRACE(U8(item) + " / " + (list ? U8(list) : "default"));
      std::vector<std::wstring> classicTips;
      std::vector<MenuLine> classic = Classic(item, &classicTips);
      std::vector<MenuLine> tree;
      std::vector<std::wstring> treeTips;
      for (const CComPtr<IExplorerCommand>& child : Tree(item)) {
        tree.push_back(ReadCommand(child.Get()));
        treeTips.push_back(CommandToolTip(child.Get()));
      }
      EXPECT_EQ(U8(MenuTexts(tree)), U8(MenuTexts(classic)));
      EXPECT_EQ(treeTips, classicTips);
    }
  }
}

TEST_F(ExplorerCommandTest, SettingsAndTheItemAreReadWhenTheSubmenuIsWanted) {
  const std::wstring path = File(L"busy.log");
  UseMenuList(L"3");
  CComPtr<IExplorerCommand> root = Client().CreateExplorerCommand();
  ASSERT_EQ(RootState(root.Get(), ShellItems({path}).Get()), ECS_ENABLED);
  UseMenuList(L"1");
  std::vector<CComPtr<IExplorerCommand>> children = SubCommands(root.Get());
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(U8(ReadCommand(children[0].Get()).text), U8(L"フルパスをコピー"));

  // Another program writes the item: GetState opens nothing, the submenu is refused as the
  // classic Initialize refuses it.
  CFileHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  EXPECT_EQ(RootState(root.Get(), ShellItems({path}).Get()), ECS_ENABLED);
  CComPtr<IEnumExplorerCommand> list;
  EXPECT_EQ(root->EnumSubCommands(list.Put()), E_FAIL);
  EXPECT_FALSE(list);
}

// Every command chosen from Windows 11's menu, with the keys held through the input system as a
// user holds them. Ctrl copies beside the source, Shift picks the variant. (5 and 6 change only
// case, which Wine's shell refuses to rename: tried on Windows only.)
TEST_F(ExplorerCommandTest, EveryCommandWithAndWithoutCtrlAndShift) {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  wchar_t today[16];
  swprintf(today, 16, L"%04d%02d%02d", now.wYear, now.wMonth, now.wDay);
  struct Case {
    int command;
    const wchar_t* name;
    const wchar_t* plain;  // the new name, or the clipboard for 1 to 4; "%s" is today's stamp
    const wchar_t* shift;
  };
  std::vector<Case> cases = {
      {1, L"a.txt", L"<dir>\\a.txt", L"<dir2>\\\\a.txt"}, {2, L"a.txt", L"<dir>", L"<dir2>"},
      {3, L"a.b.txt", L"a.b.txt", L"a.b.txt"},         {4, L"a.b.txt", L"a.b", L"a.b"},
      {7, L"m へのショートカット.lnk", L"m.lnk", L"m.lnk"},
      {8, L"コピー ～ コピー ～ a.txt", L"コピー ～ a.txt", L"a.txt"},
      {9, L"01 b.txt", L"b.txt", L"b.txt"},           {10, L"c_02.txt", L"c.txt", L"c.txt"},
      {11, L"d.txt", L"%s_d.txt", L"%sT_d.txt"},      {12, L"e.txt", L"e_%s.txt", L"e_%sT.txt"},
      {13, L"f.txt", L"~$f.txt", L"~$f.txt"},          {14, L"~$g.txt", L"g.txt", L"g.txt"},
      {15, L"h.txt", L"h.txt$", L"h.txt$"},            {16, L"i.txt$", L"i.txt", L"i.txt"},
      {17, L"j.txt", L"j(1).txt", L"j(001).txt"},      {18, L"k.txt", L"20140305_k.txt", L"20140305T_k.txt"},
      {19, L"l.txt", L"l_20140305.txt", L"l_20140305T.txt"}, {20, L"m.txt", L"20140305_m.txt", L"20140305T_m.txt"},
      {21, L"n.txt", L"n_20140305.txt", L"n_20140305T.txt"},
  };
  if (!RunsOnWine())
    cases.insert(cases.begin() + 4, {{5, L"Lower.TXT", L"lower.txt", L"lower.txt"}, {6, L"Upper.txt", L"UPPER.TXT", L"UPPER.TXT"}});
  const std::wstring dir = work_.Path(), dir2 = ReplaceAll(dir, L"\\", L"\\\\");
  for (const auto& c : cases) {
    UseMenuList(std::to_wstring(c.command).c_str());
    for (bool ctrl : {false, true}) {
      for (bool shift : {false, true}) {
        SCOPED_TRACE(std::to_string(c.command) + (ctrl ? " ctrl" : "") + (shift ? " shift" : ""));
        std::wstring path = File(c.name, "src");
        // Wine gives a file no creation time of its own: it reports the last-write time for both. On
        // Windows the time a command does not take is another day.
        const bool byCreation = c.command == 18 || c.command == 19;
        FILETIME utc = LocalTime({2014, 3, 0, 5, 10, 0, 0, 0});
        FILETIME other = RunsOnWine() ? utc : LocalTime({2020, 1, 0, 2, 10, 0, 0, 0});
        {
          CFileHandle f(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      0, nullptr));
          ::SetFileTime(f.Get(), byCreation ? &utc : &other, nullptr, byCreation ? &other : &utc);
        }
        std::vector<CComPtr<IExplorerCommand>> children = Tree(path);
        ASSERT_EQ(children.size(), 1u);
        std::wstring expected = ReplaceAll(ReplaceAll(FillPlaceholder(shift ? c.shift : c.plain, today), L"<dir2>", dir2),
                                           L"<dir>", dir);
        WriteClipboardText(L"（前の内容）");
        {
          CHeldKeys keys(shift, ctrl);
          EXPECT_EQ(children[0]->Invoke(ShellItems({path}).Get(), nullptr), S_OK);
        }
        if (c.command <= 4) {
          EXPECT_EQ(U8(ReadClipboardText()), U8(expected));
          EXPECT_EQ(ListFolder(dir), std::vector<std::wstring>{c.name});
        } else {
          std::vector<std::wstring> names{expected};
          if (ctrl && c.command > 6) names.push_back(c.name);  // a case change is never a copy
          std::sort(names.begin(), names.end());
          EXPECT_EQ(ListFolder(dir), names);
          EXPECT_EQ(ReadBytes(work_ / expected), "src");
        }
        for (const std::wstring& name : ListFolder(dir)) ::DeleteFileW((work_ / name).c_str());
      }
    }
  }
}

TEST_F(ExplorerCommandTest, InvokeActsOnlyOnTheItemItIsGivenAndChecksItAgain) {
  const std::wstring a = File(L"a.txt"), b = File(L"b.txt");
  File(L"~$g.txt");
  File(L"~$");
  UseMenuList(L"13");
  std::vector<CComPtr<IExplorerCommand>> children = Tree(a);
  ASSERT_EQ(children.size(), 1u);
  // The item of this call, not the one the submenu was built for.
  EXPECT_EQ(children[0]->Invoke(ShellItems({b}).Get(), nullptr), S_OK);
  EXPECT_EQ(ListFolder(work_.Path()), (std::vector<std::wstring>{L"a.txt", L"~$", L"~$b.txt", L"~$g.txt"}));

  ASSERT_TRUE(::SetCurrentDirectoryW(work_.Path().c_str()));  // where the relative forms name real items
  for (const CComPtr<IShellItemArray>& refused :
       {ShellItems({a, work_ / L"~$g.txt"}), StandInItems({}), StandInItems({L"a.txt"}),
        StandInItems({L"\\\\?\\" + a}), StandInItems({a + L"."}), CComPtr<IShellItemArray>()}) {
    EXPECT_EQ(children[0]->Invoke(refused.Get(), nullptr), E_FAIL);
  }
  ::SetCurrentDirectoryW(TestDir().c_str());
  EXPECT_EQ(ListFolder(work_.Path()).size(), 4u) << "nothing was renamed";

  // A refusal of the command itself: the classic handler's message, owned by the window in front.
  ::CreateDirectoryW((work_ / L"~$~$g.txt").c_str(), nullptr);
  children = Tree(work_ / L"~$g.txt");
  ASSERT_EQ(children.size(), 1u);
  CFocusWindow explorer;
  CMessageBoxCatcher catcher(kCaption);
  {
    CHeldKeys ctrl(false, true);
    EXPECT_EQ(children[0]->Invoke(ShellItems({work_ / L"~$g.txt"}).Get(), nullptr), E_FAIL);
  }
  std::vector<CCaughtBox> boxes = catcher.Finish();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(U8(boxes[0].text), U8(L"同じ名前のフォルダが既にあるため、コピーできません。\n【パス】" + (work_ / L"~$~$g.txt")));
  EXPECT_EQ(boxes[0].owner, ::GetForegroundWindow());
  EXPECT_EQ(boxes[0].owner, explorer.Get());
  EXPECT_EQ(ListFolder(work_.Path()).size(), 5u);
}

// In both menus a command runs only for an item whose menu offers it, and a child of the tree
// answers for the items it is given. The submenu below was built for "01 a.txt".
TEST_F(ExplorerCommandTest, CommandsRunOnlyWhereTheMenuOffersThem) {
  UseMenuList(L"9,15");
  const std::wstring built = File(L"01 a.txt"), folder = work_ / L"photos";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  File(L"README");
  File(L"b.txt");
  File(L"02 c.txt");
  std::vector<CComPtr<IExplorerCommand>> children = Tree(built);
  ASSERT_EQ(children.size(), 2u);
  const struct {
    std::size_t child;
    int command;
    const wchar_t* item;
    EXPCMDSTATE state;
    const wchar_t* after;  // the item's new name; null when nothing may happen
  } cases[] = {
      {1, 15, L"photos", ECS_HIDDEN, nullptr},      // never offered for a folder
      {1, 15, L"README", ECS_DISABLED, nullptr},    // greyed: nothing to disable
      {0, 9, L"README", ECS_HIDDEN, nullptr},       // no digits at the head
      {0, 9, L"photos", ECS_HIDDEN, nullptr},
      {1, 15, L"b.txt", ECS_ENABLED, L"b.txt$"},
      {0, 9, L"02 c.txt", ECS_ENABLED, L"c.txt"},
      {1, 15, L"01 a.txt", ECS_ENABLED, L"01 a.txt$"},
  };
  for (bool classic : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(U8(c.item) + (classic ? " classic" : " tree"));
      const std::vector<std::wstring> before = ListFolder(work_.Path());
      const std::wstring path = work_ / c.item;
      HRESULT result;
      if (classic) {
        SetModifierKeys(false, false);  // a rename, not a Ctrl copy
        CComPtr<IShellExtInit> init = Client().CreateHandler();
        ASSERT_EQ(init->Initialize(nullptr, ShellDataObject({path}).Get(), nullptr), S_OK);
        CComPtr<IContextMenu> menu;
        init->QueryInterface(IID_IContextMenu, menu.PutVoid());
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(c.command);
        result = menu->InvokeCommand(&info);
      } else {
        EXPECT_EQ(RootState(children[c.child].Get(), ShellItems({path}).Get()), c.state);
        result = children[c.child]->Invoke(ShellItems({path}).Get(), nullptr);
      }
      EXPECT_EQ(result, c.after ? S_OK : E_FAIL);
      if (!c.after) {
        EXPECT_EQ(ListFolder(work_.Path()), before);
        continue;
      }
      EXPECT_TRUE(PathExists(work_ / c.after));
      ASSERT_TRUE(::MoveFileW((work_ / c.after).c_str(), path.c_str()));  // back for the next menu
    }
  }
  // Without items the child can only answer for the item it was built for.
  EXPCMDSTATE state = 0;
  EXPECT_EQ(children[1]->GetState(nullptr, FALSE, &state), S_OK);
  EXPECT_EQ(state, ECS_ENABLED);
  EXPECT_EQ(RootState(children[1].Get(), ShellItems({built, folder}).Get()), ECS_HIDDEN);
}

// The root is ours to keep sound even where Windows would never share it between threads: each
// caller gets the submenu of one item that was asked about, whole, and nothing fails or breaks.
TEST_F(ExplorerCommandTest, OneRootSharedByManyThreadsGivesWholeSubmenusOfItemsAskedAbout) {
  UseMenuList(nullptr);
  ::CreateDirectoryW((work_ / L"photos").c_str(), nullptr);
  const std::vector<std::wstring> paths = {File(L"01 a.txt"), work_ / L"photos", File(L"README"),
                                           File(L"コピー ～ b へのショートカット.lnk")};
  std::vector<std::wstring> menus;
  for (const std::wstring& path : paths) {
    std::vector<MenuLine> lines;
    for (const CComPtr<IExplorerCommand>& child : Tree(path)) lines.push_back(ReadCommand(child.Get()));
    menus.push_back(MenuTexts(lines));
  }
  ASSERT_EQ(std::set<std::wstring>(menus.begin(), menus.end()).size(), paths.size()) << "one menu per item";

  CComPtr<IExplorerCommand> root = Client().CreateExplorerCommand();
  std::atomic<int> refused{0}, failed{0}, foreign{0}, rounds{0};
  auto caller = [&](std::size_t first) {
    CComApartment com;
    std::vector<CComPtr<IShellItemArray>> arrays;
    for (const std::wstring& path : paths) arrays.push_back(ShellItems({path}));
    for (int i = 0; i < 250; ++i) {
      // Asked again and again, as Windows may with fOkToBeSlow, while others enumerate.
      for (std::size_t k = 0; k < paths.size(); ++k) {
        EXPCMDSTATE state = ECS_HIDDEN;
        if (root->GetState(arrays[(first + i + k) % paths.size()].Get(), FALSE, &state) != S_OK || state != ECS_ENABLED)
          refused++;
      }
      CComPtr<IEnumExplorerCommand> list;
      if (FAILED(root->EnumSubCommands(list.Put())) || !list) {
        failed++;
        continue;
      }
      std::vector<MenuLine> lines;
      for (CComPtr<IExplorerCommand> child; list->Next(1, child.Put(), nullptr) == S_OK;)
        lines.push_back(ReadCommand(child.Get()));
      if (std::find(menus.begin(), menus.end(), MenuTexts(lines)) == menus.end()) foreign++;
      rounds++;
    }
  };
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < 6; ++t) threads.emplace_back(caller, t);
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(rounds.load(), 6 * 250);
  EXPECT_EQ(refused.load(), 0);
  EXPECT_EQ(failed.load(), 0) << "no failure after an accepting GetState";
  EXPECT_EQ(foreign.load(), 0) << "a submenu of no item asked about, or of two at once";
}

TEST_F(ExplorerCommandTest, EveryObjectIsGoneAfterItsLastRelease) {
  const std::wstring path = File(L"a.txt");
  EXPECT_EQ(Client().CanUnloadNow(), S_OK);
  CComPtr<IExplorerCommand> child;
  CComPtr<IEnumExplorerCommand> clone;
  {
    CComPtr<IExplorerCommand> root = Client().CreateExplorerCommand();
    RootState(root.Get(), ShellItems({path}).Get());
    CComPtr<IEnumExplorerCommand> list;
    ASSERT_EQ(root->EnumSubCommands(list.Put()), S_OK);
    ASSERT_EQ(list->Clone(clone.Put()), S_OK);
    ULONG fetched = 0;
    ASSERT_EQ(list->Next(1, child.Put(), &fetched), S_OK);
    ASSERT_EQ(list->Skip(1000), S_FALSE);
    IExplorerCommand* rest[2] = {};
    EXPECT_EQ(list->Next(2, rest, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
  }
  EXPECT_EQ(Client().CanUnloadNow(), S_FALSE) << "a child and a clone are still held";
  child.Reset();
  EXPECT_EQ(Client().CanUnloadNow(), S_FALSE);
  clone.Reset();
  EXPECT_EQ(Client().CanUnloadNow(), S_OK);

  void* object = reinterpret_cast<void*>(0x1234);
  CComPtr<IClassFactory> factory;
  ASSERT_EQ(Client().GetClassObject(CLSID_TavrinoExplorerCommand, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(Client().CanUnloadNow(), S_OK);
}

// The classic handler stands back on Windows 11 only for the kinds of item Windows has asked the
// package's tree about in this very folder. Wine reports Windows 10 and has no packages: the rule
// is checked on its pure form, fed the real record the real library writes, and the real classic
// menu is shown to stay.
TEST_F(ExplorerCommandTest, ClassicMenuStandsBackPerKindOnlyOnceTheTreeWasAskedAboutIt) {
  ForgetTopLevelMenuRecord();
  const std::wstring here = install_.Path();
  const CTempDir elsewhere(L"他所");
  ::CreateDirectoryW((work_ / L"写真.lnk").c_str(), nullptr);  // a folder, whatever its name says
  const struct {
    std::wstring path;
    CItemKind kind;
  } items[] = {{File(L"a.txt"), CItemKind::File},           {work_ / L"写真.lnk", CItemKind::Folder},
               {File(L"m.lnk"), CItemKind::Shortcut},       {File(L"p.PIF"), CItemKind::PifShortcut},
               {File(L"u.url"), CItemKind::InternetShortcut}, {L"C:\\", CItemKind::Root}};
  const std::optional<std::wstring> registrations[] = {here, elsewhere.Path(), std::nullopt};
  auto check = [&](std::size_t askedSoFar) {
    for (std::size_t i = 0; i < std::size(items); ++i) {
      SCOPED_TRACE(U8(items[i].path) + " asked so far: " + std::to_string(askedSoFar));
      const bool asked = i < askedSoFar;
      std::optional<std::wstring> askedIn = TopLevelMenuAskedIn(items[i].kind);
      ASSERT_EQ(askedIn.has_value(), asked);
      if (askedIn) {
        EXPECT_TRUE(SameFolder(*askedIn, here)) << U8(*askedIn);
      }
      for (DWORD build : {19045ul, 22000ul, 22631ul})
        for (const std::optional<std::wstring>& registered : registrations)
          EXPECT_EQ(ClassicMenuStandsBack(here, build, registered, askedIn),
                    asked && HasTopLevelMenu(build) && registered == here)
              << build << " " << U8(registered.value_or(L"(none)"));
      EXPECT_FALSE(ClassicMenuStandsBack(here, items[i].kind)) << "no package serves this folder";
      std::vector<std::wstring> tips;
      EXPECT_FALSE(Classic(items[i].path, &tips).empty());
    }
  };
  CComPtr<IExplorerCommand> root = Client().CreateExplorerCommand();
  for (std::size_t i = 0; i < std::size(items); ++i) {
    check(i);
    EXPECT_EQ(RootState(root.Get(), ShellItems({items[i].path}).Get()), ECS_ENABLED);
    EXPECT_EQ(RootState(root.Get(), ShellItems({items[i].path}).Get()), ECS_ENABLED) << "asked again";
  }
  check(std::size(items));

  // Wine reports Windows 10, its newest; Windows its real build, whatever the manifest claims.
  if (RunsOnWine())
    EXPECT_LT(RealWindowsBuild(), kFirstTopLevelMenuBuild);
  else
    EXPECT_EQ(U8(std::to_wstring(RealWindowsBuild())),
              U8(RegistryString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                                L"CurrentBuildNumber").value_or(L"(none)")));
  // The record outlives the library, goes with the classic registration, and is never written
  // where the classic class key is missing.
  root.Reset();
  library_.Restart();
  check(std::size(items));
  ASSERT_TRUE(library_.Client().Controller()->Unregister());
  check(0);
  root = library_.Client().CreateExplorerCommand();
  EXPECT_EQ(RootState(root.Get(), ShellItems({items[0].path}).Get()), ECS_ENABLED);
  EXPECT_FALSE(UserKeyExists(HandlerClassKey()));
  ASSERT_TRUE(library_.Client().Controller()->Register());
  EXPECT_EQ(RootState(root.Get(), ShellItems({items[0].path}).Get()), ECS_ENABLED);
  check(1);
  // A new registration of the package forgets it all.
  ForgetTopLevelMenuRecord();
  check(0);
}

// A short name, another case, a trailing backslash or a path through a junction name the folder the
// package is registered for: the classic handler and the configuration program take it as one.
TEST_F(ExplorerCommandTest, EverySpellingOfTheFolderIsTheSameFolder) {
  const std::wstring here = install_.Path(), long_ = here + L"\\ロングネームのフォルダ";
  ASSERT_TRUE(::CreateDirectoryW(long_.c_str(), nullptr));
  wchar_t shortName[MAX_PATH] = {};
  ::GetShortPathNameW(long_.c_str(), shortName, MAX_PATH);  // the long name where 8.3 names are off
  std::wstring upper = long_;
  ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  std::vector<std::wstring> spellings = {shortName, upper, long_ + L"\\"};
  // Wine 8 makes no junctions (FSCTL_SET_REPARSE_POINT is not supported): tried on Windows only.
  if (MakeJunction(work_ / L"経由", long_)) spellings.push_back(work_ / L"経由");
  for (const std::wstring& spelling : spellings) {
    EXPECT_EQ(U8(FinalFolderForm(spelling)), U8(FinalFolderForm(long_))) << U8(spelling);
    EXPECT_TRUE(TopLevelMenuServes(long_, 22631, spelling)) << U8(spelling);
    EXPECT_TRUE(ClassicMenuStandsBack(spelling, 22631, long_, FinalFolderForm(long_))) << U8(spelling);
  }
  EXPECT_EQ(U8(FinalFolderForm(L"C:\\")), U8(L"C:\\"));
  EXPECT_FALSE(SameFolder(here, long_));
  EXPECT_FALSE(TopLevelMenuServes(long_, 22631, here + L"\\ない"));
  ::RemoveDirectoryW((work_ / L"経由").c_str());
}

}  // namespace
