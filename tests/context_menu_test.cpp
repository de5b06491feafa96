// The submenu as Explorer receives it: built through the real library's IContextMenu into a real
// menu, read back item by item; and the verbs and help texts Explorer asks for.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app.h"
#include "settings.h"
#include "shell_client.h"
#include "test_support.h"
#include "text.h"

namespace {

constexpr UINT kFirst = 200;

class ContextMenuTest : public ::testing::Test {
protected:
  void UseMenuList(const wchar_t* list) {
    CSettings s = LibrarySettings(install_.Path());
    wcscpy(s.contextMenuExtMenuItems, list);
    SaveSettings(s);
  }

  CComPtr<IContextMenu> Handler(const std::wstring& path) {
    CComPtr<IShellExtInit> init = client_->CreateHandler();
    EXPECT_EQ(S_OK, init->Initialize(nullptr, ShellDataObject({path}).Get(), nullptr)) << U8(path);
    CComPtr<IContextMenu> menu;
    init->QueryInterface(IID_IContextMenu, menu.PutVoid());
    return menu;
  }

  // The submenu's items for a right-click on `path`.
  std::vector<MenuLine> Submenu(const std::wstring& path) {
    CComPtr<IContextMenu> handler = Handler(path);
    CMenu menu(::CreatePopupMenu());
    HRESULT hr = handler->QueryContextMenu(menu.Get(), 0, kFirst, kFirst + 100, CMF_NORMAL | CMF_CANRENAME);
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 22), hr);
    HMENU popup = ::GetSubMenu(menu.Get(), 1);
    return popup ? ReadMenu(popup) : std::vector<MenuLine>{};
  }

  std::wstring File(const std::wstring& name) {
    WriteBytes(work_ / name, "x");
    return work_ / name;
  }

  static std::wstring Texts(const std::vector<MenuLine>& items) { return MenuTexts(items); }

  CInstalledLibrary library_{L"menu"};
  const CTempDir& install_ = library_.Folder();
  CShellClient* const client_ = &library_.Client();
  CTempDir work_{L"items"};
};

FILETIME LocalTime(const SYSTEMTIME& local) {
  FILETIME lft, utc;
  ::SystemTimeToFileTime(&local, &lft);
  ::LocalFileTimeToFileTime(&lft, &utc);
  return utc;
}

std::wstring LabelDateOf(const FILETIME& utc) {
  FILETIME local;
  SYSTEMTIME t;
  ::FileTimeToLocalFileTime(&utc, &local);
  ::FileTimeToSystemTime(&local, &t);
  wchar_t text[32];
  swprintf(text, 32, L"%04d年%02d月%02d日", t.wYear, t.wMonth, t.wDay);
  return text;
}

TEST_F(ContextMenuTest, PlainFileWithTheDefaultList) {
  std::wstring path = File(L"report.txt");
  // Last written on 5 March 2014, local time.
  SYSTEMTIME local = {2014, 3, 0, 5, 10, 0, 0, 0};
  FILETIME lft, written, created;
  ::SystemTimeToFileTime(&local, &lft);
  ::LocalFileTimeToFileTime(&lft, &written);
  HANDLE f = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES | GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
  ::SetFileTime(f, nullptr, nullptr, &written);
  ::GetFileTime(f, &created, nullptr, nullptr);
  ::CloseHandle(f);
  std::wstring c = LabelDateOf(created);

  std::vector<MenuLine> items = Submenu(path);
  EXPECT_EQ(U8(L"すべて小文字に|すべて大文字に|-|先頭に今日の日付を挿入|末尾に今日の日付を挿入|"
               L"先頭にファイル作成日付（" + c + L"）を挿入|末尾にファイル作成日付（" + c + L"）を挿入|"
               L"先頭にファイル更新日付（2014年03月05日）を挿入|末尾にファイル更新日付（2014年03月05日）を挿入|-|"
               L"連番を付加|-|ファイル名を無効化|拡張子を無効化|-|"
               L"フルパスをコピー|場所をコピー|ファイル名をコピー|ベース名をコピー|"),
            U8(Texts(items)));
  std::vector<UINT> ids;
  for (const MenuLine& i : items) ids.push_back(i.id ? i.id - kFirst : 0);
  EXPECT_EQ((std::vector<UINT>{5, 6, 0, 11, 12, 18, 19, 20, 21, 0, 17, 0, 13, 15, 0, 1, 2, 3, 4}), ids);
}

TEST_F(ContextMenuTest, FileWithoutExtensionGreysWhatNeedsOne) {
  UseMenuList(L"4,15,1");
  std::vector<MenuLine> items = Submenu(File(L"README"));
  EXPECT_EQ(U8(L"ベース名をコピー(灰)|拡張子を無効化(灰)|フルパスをコピー|"), U8(Texts(items)));
}

TEST_F(ContextMenuTest, FolderWordingAndFileOnlyCommands) {
  std::wstring folder = work_ / L"photos";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  UseMenuList(L"3,4,13,15,16,18,0,1");
  std::wstring texts = Texts(Submenu(folder));
  EXPECT_EQ(0u, texts.find(L"フォルダ名をコピー|フォルダ名を無効化|先頭にフォルダ作成日付（")) << U8(texts);
  EXPECT_EQ(std::wstring::npos, texts.find(L"ベース名")) << U8(texts);
  EXPECT_EQ(std::wstring::npos, texts.find(L"拡張子")) << U8(texts);
  EXPECT_NE(std::wstring::npos, texts.find(L"）を挿入|-|フルパスをコピー|")) << U8(texts);
}

TEST_F(ContextMenuTest, RemovalCommandsAppearWhenTheyApplyWithWhatTheyRemove) {
  UseMenuList(L"7,8,9,10,14,16");
  EXPECT_EQ(U8(L"「～へのショートカット」を除去|"), U8(Texts(Submenu(File(L"memo へのショートカット.lnk")))));
  EXPECT_EQ(U8(L"「コピー～」を除去|"), U8(Texts(Submenu(File(L"コピー (2) ～ memo.txt")))));
  EXPECT_EQ(U8(L"ファイル名の先頭の「2024_03_05 」を除去|ファイル名の末尾の「 (3)」を除去|"),
            U8(Texts(Submenu(File(L"2024_03_05 memo (3).txt")))));
  EXPECT_EQ(U8(L"ファイル名の無効化を解除|拡張子の無効化を解除|"), U8(Texts(Submenu(File(L"~$memo.txt$")))));
  EXPECT_EQ(U8(L""), U8(Texts(Submenu(File(L"memo.txt")))));
}

TEST_F(ContextMenuTest, RemovalsThatWouldLeaveNoUsableNameAreNotOffered) {
  UseMenuList(L"7,8,9,10,14,16");
  std::wstring folder = work_ / L" へのショートカット";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  EXPECT_EQ(U8(L""), U8(Texts(Submenu(folder)))) << "nothing would be left of the name";
  EXPECT_EQ(U8(L""), U8(Texts(Submenu(File(L"~$")))));
  EXPECT_EQ(U8(L""), U8(Texts(Submenu(File(L"memo.$"))))) << "memo. is memo to Windows";
  EXPECT_EQ(U8(L""), U8(Texts(Submenu(File(L"1 NUL.txt"))))) << "a device name";
  EXPECT_EQ(U8(L"ファイル名の先頭の「1 」を除去|"), U8(Texts(Submenu(File(L"1 NULL.txt")))));
}

TEST_F(ContextMenuTest, SeparatorsNeverLeadNorDouble) {
  UseMenuList(L"0,0,5,0,0");
  EXPECT_EQ(U8(L"すべて小文字に|-|"), U8(Texts(Submenu(File(L"a.txt")))));
  UseMenuList(L"5,99,-1,,0,x,6");  // numbers without a command are skipped
  EXPECT_EQ(U8(L"すべて小文字に|-|すべて大文字に|"), U8(Texts(Submenu(File(L"b.txt")))));
  UseMenuList(L"");
  EXPECT_EQ(U8(L""), U8(Texts(Submenu(File(L"c.txt")))));
}

TEST_F(ContextMenuTest, SubmenuIsFramedBySeparatorsAtTheGivenPlace) {
  CComPtr<IContextMenu> handler = Handler(File(L"a.txt"));
  CMenu menu(::CreatePopupMenu());
  ::AppendMenuW(menu.Get(), MF_STRING, 1, L"開く");
  ::AppendMenuW(menu.Get(), MF_STRING, 2, L"削除");
  EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 22), handler->QueryContextMenu(menu.Get(), 1, kFirst, kFirst + 30, 0x100));
  std::vector<MenuLine> top = ReadMenu(menu.Get());
  ASSERT_EQ(5u, top.size()) << U8(Texts(top));
  EXPECT_EQ(U8(L"開く|-|タブリノリネーム(&N)|-|削除|"), U8(Texts(top)));
  EXPECT_NE(nullptr, ::GetSubMenu(menu.Get(), 2));
}

TEST_F(ContextMenuTest, FlagsThatExcludeUsAddNothing) {
  CComPtr<IContextMenu> handler = Handler(File(L"a.txt"));
  for (UINT flags : {UINT(CMF_DEFAULTONLY), UINT(CMF_VERBSONLY), UINT(CMF_NOVERBS), UINT(CMF_NODEFAULT), 0x40u}) {
    CMenu menu(::CreatePopupMenu());
    EXPECT_EQ(S_OK, handler->QueryContextMenu(menu.Get(), 0, kFirst, kFirst + 30, flags)) << flags;
    EXPECT_EQ(0, ::GetMenuItemCount(menu.Get())) << flags;
  }
}

TEST_F(ContextMenuTest, RangeTooSmallForOurIdentifiersAddsNothing) {
  CComPtr<IContextMenu> handler = Handler(File(L"a.txt"));
  // Identifiers past idCmdLast belong to the host: our item would run its command.
  const struct {
    UINT first, last;
  } ranges[] = {{kFirst, kFirst + 20}, {kFirst, kFirst}, {kFirst, kFirst - 1}, {0xFFFFFFF0u, 0xFFFFFFFFu}};
  for (const auto& r : ranges) {
    CMenu menu(::CreatePopupMenu());
    EXPECT_EQ(S_OK, handler->QueryContextMenu(menu.Get(), 0, r.first, r.last, CMF_NORMAL)) << r.last;
    EXPECT_EQ(0, ::GetMenuItemCount(menu.Get())) << r.last;
  }
  CMenu menu(::CreatePopupMenu());
  EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 22), handler->QueryContextMenu(menu.Get(), 0, kFirst, kFirst + 21, 0));
  EXPECT_EQ(3, ::GetMenuItemCount(menu.Get())) << "exactly enough room";
}

TEST_F(ContextMenuTest, VerbsInBothWidths) {
  CComPtr<IContextMenu> handler = Handler(File(L"a.txt"));
  wchar_t wide[64];
  char narrow[64];
  EXPECT_EQ(S_OK, handler->GetCommandString(21, GCS_VERBW, nullptr, reinterpret_cast<char*>(wide), 64));
  EXPECT_STREQ(L"InsertFileLastWriteDateTimeInEnd", wide);
  EXPECT_EQ(S_OK, handler->GetCommandString(17, GCS_VERBA, nullptr, narrow, 64));
  EXPECT_STREQ("AddAutoNumber", narrow);
  for (UINT_PTR bad : {UINT_PTR(0), UINT_PTR(22), UINT_PTR(0x100000005)}) {
    std::memset(narrow, 'z', sizeof narrow);
    EXPECT_EQ(E_INVALIDARG, handler->GetCommandString(bad, GCS_VERBA, nullptr, narrow, 64));
    EXPECT_EQ(E_INVALIDARG, handler->GetCommandString(bad, GCS_VERBW, nullptr, narrow, 32));
    EXPECT_EQ(E_INVALIDARG, handler->GetCommandString(bad, GCS_HELPTEXTW, nullptr, narrow, 32));
    EXPECT_EQ('z', narrow[0]) << "nothing written";
  }
}

TEST_F(ContextMenuTest, HelpTextsForFileAndFolder) {
  std::wstring folder = work_ / L"photos";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  wchar_t text[128];
  CComPtr<IContextMenu> onFile = Handler(File(L"a.txt"));
  CComPtr<IContextMenu> onFolder = Handler(folder);
  EXPECT_EQ(S_OK, onFile->GetCommandString(13, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(text), 128));
  EXPECT_EQ(U8(L"ファイル名の先頭に ~$ を挿入します。Ctrlキーでリネームしてコピー。"), U8(text));
  EXPECT_EQ(S_OK, onFolder->GetCommandString(3, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(text), 128));
  EXPECT_EQ(U8(L"フォルダ名をクリップボードにコピーします。"), U8(text));
  EXPECT_EQ(S_OK, onFolder->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(text), 128));
  EXPECT_EQ(U8(L"フォルダ名のフルパスをクリップボードにコピーします。Shiftキーで\\→\\\\。"), U8(text));
}

TEST_F(ContextMenuTest, ValidationAndRequestsThatWriteNothing) {
  CComPtr<IContextMenu> handler = Handler(File(L"a.txt"));
  EXPECT_EQ(S_OK, handler->GetCommandString(0, GCS_VALIDATEW, nullptr, nullptr, 0));
  EXPECT_EQ(S_OK, handler->GetCommandString(21, GCS_VALIDATEW, nullptr, nullptr, 0));
  EXPECT_EQ(S_FALSE, handler->GetCommandString(22, GCS_VALIDATEW, nullptr, nullptr, 0));
  char buffer[16];
  for (UINT type : {UINT(GCS_HELPTEXTA), UINT(GCS_VALIDATEA), 7u}) {
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(S_OK, handler->GetCommandString(5, type, nullptr, buffer, sizeof buffer)) << type;
    EXPECT_EQ(std::string(16, 'z'), std::string(buffer, 16)) << type;
  }
}

TEST_F(ContextMenuTest, SmallBuffersAreNeverOverrun) {
  CComPtr<IContextMenu> handler = Handler(File(L"a.txt"));
  wchar_t wide[16];
  std::wmemset(wide, L'z', 16);
  EXPECT_FALSE(SUCCEEDED(handler->GetCommandString(17, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 8)));
  EXPECT_EQ(U8(L"ファイル名の末"), U8(wide)) << "cut to fit with its terminator";
  EXPECT_EQ(L'z', wide[8]);
  char narrow[8];
  std::memset(narrow, 'z', 8);
  EXPECT_FALSE(SUCCEEDED(handler->GetCommandString(17, GCS_VERBA, nullptr, narrow, 4)));
  EXPECT_EQ(std::string("Add\0zzzz", 8), std::string(narrow, 8));
  EXPECT_FALSE(SUCCEEDED(handler->GetCommandString(17, GCS_VERBA, nullptr, narrow, 0)));
  EXPECT_EQ(std::string("Add\0zzzz", 8), std::string(narrow, 8)) << "nothing written for a zero size";
}

// Every renaming command chosen from the menu, end to end: the number Explorer passes back reaches
// the command whose label it carries. (5 and 6 change only case, which Wine's shell refuses: tried
// on Windows only.)
TEST_F(ContextMenuTest, EveryRenamingCommandThroughInvokeCommand) {
  struct Case {
    int command;
    const wchar_t* before;
    const wchar_t* after;  // "%s" stands for today's date stamp
  };
  std::vector<Case> cases = {
      {7, L"memo へのショートカット.lnk", L"memo.lnk"}, {8, L"コピー ～ a.txt", L"a.txt"},
      {9, L"01 b.txt", L"b.txt"},       {10, L"c_02.txt", L"c.txt"},     {11, L"d.txt", L"%s_d.txt"},
      {12, L"e.txt", L"e_%s.txt"},      {13, L"f.txt", L"~$f.txt"},      {14, L"~$g.txt", L"g.txt"},
      {15, L"h.txt", L"h.txt$"},        {16, L"i.txt$", L"i.txt"},       {17, L"j.txt", L"j(1).txt"},
      {18, L"k.txt", L"20140305_k.txt"}, {19, L"l.txt", L"l_20140305.txt"}, {20, L"m.txt", L"20140305_m.txt"},
      {21, L"n.txt", L"n_20140305.txt"},
  };
  if (!RunsOnWine()) cases.insert(cases.begin(), {{5, L"Lower.TXT", L"lower.txt"}, {6, L"Upper.txt", L"UPPER.TXT"}});
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  wchar_t today[16];
  swprintf(today, 16, L"%04d%02d%02d", now.wYear, now.wMonth, now.wDay);
  for (const Case& c : cases) {
    std::wstring path = File(c.before);
    // Wine gives a file no creation time of its own: it reports the last-write time for both. On
    // Windows the time a command does not take is another day.
    const bool byCreation = c.command == 18 || c.command == 19;
    FILETIME utc = LocalTime({2014, 3, 0, 5, 10, 0, 0, 0});
    FILETIME other = RunsOnWine() ? utc : LocalTime({2020, 1, 0, 2, 10, 0, 0, 0});
    HANDLE f = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetFileTime(f, byCreation ? &utc : &other, nullptr, byCreation ? &other : &utc);
    ::CloseHandle(f);

    CComPtr<IContextMenu> handler = Handler(path);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(c.command);
    EXPECT_EQ(S_OK, handler->InvokeCommand(&info)) << c.command;
    // Names as spelt: Windows finds a name in another case too.
    const std::vector<std::wstring> names = ListFolder(work_.Path());
    std::wstring expected = FillPlaceholder(c.after, today);
    EXPECT_EQ(std::count(names.begin(), names.end(), expected), 1) << c.command << " " << U8(expected);
    EXPECT_EQ(std::count(names.begin(), names.end(), std::wstring(c.before)), 0) << c.command;
  }
}

}  // namespace
