// The shell extension as Explorer meets it: the installed library registered for the user, found
// again through the registry, and driven only through its exports and COM interfaces. Registration
// tests live here too, since every test of this program registers the library.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "selection.h"
#include "shell_client.h"
#include "submenu.h"
#include "test_support.h"
#include "windows_probe.h"
#include "text.h"

namespace {

constexpr const wchar_t* kSentinel = L"（前の内容）";
constexpr UINT kFirstId = 100;

class ShellExtTest : public ::testing::Test {
protected:
  void SetUp() override {
    CopyDeliverables(install_.Path(), {L"tavrino_shellext.dll"});
    client_ = std::make_unique<CShellClient>(install_.Path());
  }
  void TearDown() override {
    SetModifierKeys(false, false);
    client_->Controller()->Unregister();
    client_.reset();
  }

  CComPtr<IShellExtInit> Select(const std::vector<std::wstring>& paths, HRESULT expected = S_OK) {
    CComPtr<IShellExtInit> handler = client_->CreateHandler();
    EXPECT_EQ(handler->Initialize(nullptr, ShellDataObject(paths).Get(), nullptr), expected) << U8(paths[0]);
    return handler;
  }

  static HRESULT Invoke(IShellExtInit* handler, const char* verb, bool shift = false, bool ctrl = false) {
    CComPtr<IContextMenu> menu;
    EXPECT_EQ(handler->QueryInterface(IID_IContextMenu, menu.PutVoid()), S_OK);
    SetModifierKeys(shift, ctrl);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    return menu->InvokeCommand(&info);
  }

  // What a command leaves on the clipboard, which held the sentinel before.
  static std::wstring Clip(IShellExtInit* handler, int command, bool shift = false, HRESULT expected = S_OK) {
    WriteClipboardText(kSentinel);
    EXPECT_EQ(Invoke(handler, MAKEINTRESOURCEA(command), shift), expected) << command;
    return ReadClipboardText();
  }

  // Identifiers of the submenu's items, in order (0 for a separator).
  static std::vector<UINT> SubmenuIds(IShellExtInit* handler) {
    CComPtr<IContextMenu> menu;
    handler->QueryInterface(IID_IContextMenu, menu.PutVoid());
    CMenu explorerMenu(::CreatePopupMenu());
    EXPECT_TRUE(SUCCEEDED(menu->QueryContextMenu(explorerMenu.Get(), 0, kFirstId, kFirstId + 100, CMF_NORMAL)));
    std::vector<UINT> ids;
    HMENU popup = ::GetSubMenu(explorerMenu.Get(), 1);
    for (int i = 0; popup && i < ::GetMenuItemCount(popup); ++i) ids.push_back(::GetMenuItemID(popup, i));
    return ids;
  }

  CComApartment com_;
  CTempDir install_{L"インストール"};
  CTempDir work_{L"作業"};
  std::unique_ptr<CShellClient> client_;
};

// --- COM server -------------------------------------------------------------------------------

TEST_F(ShellExtTest, ClassObjectOnlyForTheHandlersClass) {
  client_->RegisterAndConnect();
  void* object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(client_->GetClassObject(CLSID_ShellLink, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, reinterpret_cast<void*>(0x1234));

  CComPtr<IClassFactory> factory = client_->Factory();
  CComPtr<IUnknown> unknown;
  ASSERT_EQ(client_->GetClassObject(HandlerClsid(), IID_IUnknown, unknown.PutVoid()), S_OK);
  EXPECT_EQ(static_cast<void*>(unknown.Get()), static_cast<void*>(factory.Get()));
  EXPECT_EQ(client_->GetClassObject(HandlerClsid(), IID_IShellFolder, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST_F(ShellExtTest, CreateInstanceRefusesAggregationAndForeignInterfaces) {
  client_->RegisterAndConnect();
  CComPtr<IClassFactory> factory = client_->Factory();
  void* object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellFolder, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(client_->CanUnloadNow(), S_OK) << "the refused object must be gone";
}

TEST_F(ShellExtTest, HandlerAnswersForBothInterfacesWithOneIdentity) {
  client_->RegisterAndConnect();
  CComPtr<IContextMenu> menu;
  ASSERT_EQ(client_->Factory()->CreateInstance(nullptr, IID_IContextMenu, menu.PutVoid()), S_OK);
  CComPtr<IShellExtInit> init;
  ASSERT_EQ(menu->QueryInterface(IID_IShellExtInit, init.PutVoid()), S_OK);
  CComPtr<IUnknown> a, b;
  init->QueryInterface(IID_IUnknown, a.PutVoid());
  menu->QueryInterface(IID_IUnknown, b.PutVoid());
  EXPECT_EQ(a.Get(), b.Get());
  void* object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(menu->QueryInterface(IID_IShellFolder, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST_F(ShellExtTest, CanUnloadNowFollowsLiveObjectsAndLocks) {
  client_->RegisterAndConnect();
  CComPtr<IClassFactory> factory = client_->Factory();
  EXPECT_EQ(client_->CanUnloadNow(), S_OK);
  {
    CComPtr<IShellExtInit> handler = client_->CreateHandler();
    CComPtr<IContextMenu> menu;
    handler->QueryInterface(IID_IContextMenu, menu.PutVoid());
    handler.Reset();
    EXPECT_EQ(client_->CanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(client_->CanUnloadNow(), S_OK);
  factory->LockServer(TRUE);
  EXPECT_EQ(client_->CanUnloadNow(), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(client_->CanUnloadNow(), S_OK);
  factory->LockServer(FALSE);  // unbalanced: must not leave the count below zero
  factory->LockServer(TRUE);
  EXPECT_EQ(client_->CanUnloadNow(), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(client_->CanUnloadNow(), S_OK);
}

TEST_F(ShellExtTest, FirstUseFromManyThreadsMakesOneFactoryAndOneController) {
  client_->RegisterAndConnect();
  constexpr int kThreads = 8;
  std::vector<void*> factories(kThreads), controllers(kThreads);
  volatile LONG go = 0;
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      while (!go) ::SwitchToThread();
      client_->GetClassObject(HandlerClsid(), IID_IClassFactory, &factories[i]);
      controllers[i] = client_->Controller();
    });
  }
  ::InterlockedExchange(&go, 1);
  for (auto& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_NE(factories[i], nullptr);
    EXPECT_EQ(factories[i], factories[0]);
    EXPECT_EQ(controllers[i], controllers[0]);
  }
  EXPECT_EQ(client_->Controller(), controllers[0]);
}

// --- Selection and commands ---------------------------------------------------------------------

TEST_F(ShellExtTest, TwoSelectedItemsGiveNoHandler) {
  client_->RegisterAndConnect();
  WriteBytes(work_ / L"a.txt", "a");
  WriteBytes(work_ / L"b.txt", "b");
  CComPtr<IShellExtInit> handler = Select({work_ / L"a.txt", work_ / L"b.txt"}, E_FAIL);
  EXPECT_EQ(Clip(handler.Get(), 1, false, E_FAIL), kSentinel) << "nothing selected, nothing copied";
}

TEST_F(ShellExtTest, NameIsSplitAsExplorerShowsIt) {
  client_->RegisterAndConnect();
  struct Case {
    const wchar_t* name;
    bool folder;
    const wchar_t* base;  // null: the menu greys or hides ベース名をコピー, which then does nothing
  };
  const Case cases[] = {
      {L"report.final.txt", false, L"report.final"}, {L".profile", false, nullptr},
      {L"notes.my file", false, nullptr},            {L"報告書　第2版.xlsx", false, L"報告書　第2版"},
      {L"data.old", true, nullptr},
  };
  for (const Case& c : cases) {
    std::wstring path = work_ / c.name;
    if (c.folder)
      ::CreateDirectoryW(path.c_str(), nullptr);
    else
      WriteBytes(path, "x");
    CComPtr<IShellExtInit> handler = Select({path});
    EXPECT_EQ(Clip(handler.Get(), 1), path);
    EXPECT_EQ(Clip(handler.Get(), 2), work_.Path());
    EXPECT_EQ(Clip(handler.Get(), 3), c.name);
    EXPECT_EQ(Clip(handler.Get(), 4, false, c.base ? S_OK : E_FAIL), c.base ? c.base : kSentinel) << U8(c.name);
  }
}

TEST_F(ShellExtTest, ShiftDoublesBackslashesOfThePathsOnly) {
  client_->RegisterAndConnect();
  std::wstring path = work_ / L"a.txt";
  WriteBytes(path, "a");
  CComPtr<IShellExtInit> handler = Select({path});
  EXPECT_EQ(Clip(handler.Get(), 1, true), ReplaceAll(path, L"\\", L"\\\\"));
  EXPECT_EQ(Clip(handler.Get(), 2, true), ReplaceAll(work_.Path(), L"\\", L"\\\\"));
  EXPECT_EQ(Clip(handler.Get(), 3, true), L"a.txt");
  EXPECT_EQ(Clip(handler.Get(), 1, false), path);
}

TEST_F(ShellExtTest, ItemInADriveRootHasOneBackslashAfterTheDrive) {
  client_->RegisterAndConnect();
  std::wstring path = L"C:\\tavrino_root_" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
  WriteBytes(path, "r");
  CComPtr<IShellExtInit> handler = Select({path});
  EXPECT_EQ(Clip(handler.Get(), 2), L"C:\\");
  EXPECT_EQ(Clip(handler.Get(), 1), path);
  EXPECT_EQ(Clip(handler.Get(), 1, true), L"C:\\\\" + path.substr(3));
  handler.Reset();
  ::DeleteFileW(path.c_str());
}

TEST_F(ShellExtTest, OnlyNumericVerbsOfCommandsDoAnything) {
  client_->RegisterAndConnect();
  std::wstring path = work_ / L"a.txt";
  WriteBytes(path, "a");
  CComPtr<IShellExtInit> handler = Select({path});
  WriteClipboardText(kSentinel);
  EXPECT_EQ(Invoke(handler.Get(), "CopyFullPath"), E_FAIL);
  EXPECT_EQ(ReadClipboardText(), kSentinel);
  EXPECT_EQ(Clip(handler.Get(), 0), kSentinel);
  EXPECT_EQ(Clip(handler.Get(), 22), kSentinel);
}

TEST_F(ShellExtTest, ItemOpenForWritingWithoutReadSharingIsRefused) {
  client_->RegisterAndConnect();
  std::wstring path = work_ / L"busy.log";
  WriteBytes(path, "log");
  {
    CFileHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    Select({path}, E_FAIL);
  }
  Select({path}, S_OK);
}

TEST_F(ShellExtTest, PathLongerThanTheBufferIsRefusedNotCut) {
  client_->RegisterAndConnect();
  std::wstring folder = work_.Path();
  while (folder.size() < 250) {
    folder = JoinPath(folder, std::wstring(40, L'f'));
    ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
  }
  std::wstring path = JoinPath(folder, L"long.txt");
  WriteBytes(L"\\\\?\\" + path, "l");
  // Wine's shell cannot parse a path this long; Explorer hands such paths over in the same HDROP form.
  CComPtr<IShellExtInit> handler = client_->CreateHandler();
  WriteBytes(work_ / L"short.txt", "s");
  ASSERT_EQ(handler->Initialize(nullptr, HDropDataObject({work_ / L"short.txt"}).Get(), nullptr), S_OK);
  handler = client_->CreateHandler();
  EXPECT_EQ(handler->Initialize(nullptr, HDropDataObject({path}).Get(), nullptr), E_FAIL);
  EXPECT_EQ(Clip(handler.Get(), 1, false, E_FAIL), kSentinel);
  RemoveTree(L"\\\\?\\" + work_.Path() + L"\\" + std::wstring(40, L'f'));
}

TEST_F(ShellExtTest, SettingsComeFromTheLibrarysFolderAtEveryInitialize) {
  client_->RegisterAndConnect();
  std::wstring path = work_ / L"a.txt";
  WriteBytes(path, "a");
  CComPtr<IDataObject> data = ShellDataObject({path});
  CComPtr<IShellExtInit> handler = client_->CreateHandler();
  ASSERT_EQ(handler->Initialize(nullptr, data.Get(), nullptr), S_OK);
  EXPECT_GT(SubmenuIds(handler.Get()).size(), 2u) << "no settings file yet: the default list";

  wchar_t user[257] = {};
  DWORD size = ARRAYSIZE(user);
  ASSERT_TRUE(::GetUserNameW(user, &size));
  std::wstring userFolder = JoinPath(install_ / L"userdata", user);
  ::CreateDirectoryW((install_ / L"userdata").c_str(), nullptr);
  ::CreateDirectoryW(userFolder.c_str(), nullptr);
  WriteBytes(JoinPath(userFolder, L"tavrino.ini"), "[Default]\r\nContextMenuExt_MenuItems=3,1\r\n");
  EXPECT_GT(SubmenuIds(handler.Get()).size(), 2u) << "read at Initialize, not later";
  ASSERT_EQ(handler->Initialize(nullptr, data.Get(), nullptr), S_OK);
  EXPECT_EQ(SubmenuIds(handler.Get()), (std::vector<UINT>{kFirstId + 3, kFirstId + 1}));

  // A file it cannot read as text gives no submenu, not the defaults (UTF-16 without its mark).
  WriteBytes(JoinPath(userFolder, L"tavrino.ini"), Utf16Bytes(L"[Default]\r\nContextMenuExt_MenuItems=3,1\r\n"));
  EXPECT_EQ(handler->Initialize(nullptr, data.Get(), nullptr), E_FAIL);
}

TEST_F(ShellExtTest, RenamingCommandsRenameOrWithCtrlCopy) {
  client_->RegisterAndConnect();
  WriteBytes(work_ / L"a.txt", "a");
  WriteBytes(work_ / L"b.txt", "b");
  EXPECT_EQ(Invoke(Select({work_ / L"a.txt"}).Get(), MAKEINTRESOURCEA(13), false, true), S_OK);
  EXPECT_EQ(Invoke(Select({work_ / L"b.txt"}).Get(), MAKEINTRESOURCEA(13)), S_OK);
  EXPECT_EQ(ListFolder(work_.Path()), (std::vector<std::wstring>{L"a.txt", L"~$a.txt", L"~$b.txt"}));
  EXPECT_EQ(ReadBytes(work_ / L"~$a.txt"), "a");

  // Nothing to strip: the menu hides the command, and invoking it anyway does nothing.
  CFileHandle holder(::CreateFileW((work_ / L"a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   0, nullptr));
  EXPECT_EQ(Invoke(Select({work_ / L"a.txt"}).Get(), MAKEINTRESOURCEA(8)), E_FAIL);
  EXPECT_EQ(ListFolder(work_.Path()).size(), 3u);
}

// --- Acting on exactly the chosen item -----------------------------------------------------------

const std::wstring kCaption = L"タブリノリネーム";

TEST_F(ShellExtTest, CtrlCopyOntoAnExistingFolderIsRefusedWithAMessage) {
  client_->RegisterAndConnect();
  WriteBytes(work_ / L"a.txt", "a");
  ::CreateDirectoryW((work_ / L"~$a.txt").c_str(), nullptr);
  ::CreateDirectoryW((work_ / L"photos").c_str(), nullptr);
  WriteBytes(work_ / L"photos\\p.jpg", "p");
  ::CreateDirectoryW((work_ / L"~$photos").c_str(), nullptr);
  ::CreateDirectoryW((work_ / L"docs").c_str(), nullptr);
  WriteBytes(work_ / L"~$docs", "file");
  CFocusWindow explorer;
  ASSERT_EQ(::GetFocus(), explorer.Get());

  CMessageBoxCatcher catcher(kCaption);
  // The shell would copy into the folder that holds the name: a.txt became ~$a.txt\a.txt.
  EXPECT_EQ(Invoke(Select({work_ / L"a.txt"}).Get(), MAKEINTRESOURCEA(13), false, true), E_FAIL);
  EXPECT_EQ(Invoke(Select({work_ / L"photos"}).Get(), MAKEINTRESOURCEA(13), false, true), E_FAIL);
  EXPECT_EQ(Invoke(Select({work_ / L"docs"}).Get(), MAKEINTRESOURCEA(13), false, true), E_FAIL);
  std::vector<CCaughtBox> boxes = catcher.Finish();

  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(U8(boxes[0].text), U8(L"同じ名前のフォルダが既にあるため、コピーできません。\n【パス】" + (work_ / L"~$a.txt")));
  EXPECT_EQ(U8(boxes[1].text), U8(L"同じ名前のフォルダが既にあるため、コピーできません。\n【パス】" + (work_ / L"~$photos")));
  EXPECT_EQ(U8(boxes[2].text),
            U8(L"同じ名前のファイルが既にあるため、フォルダをコピーできません。\n【パス】" + (work_ / L"~$docs")));
  for (const CCaughtBox& box : boxes) {
    EXPECT_EQ(box.owner, explorer.Get()) << "owned like the extension's other message";
    EXPECT_TRUE(box.errorIcon);
  }
  EXPECT_TRUE(ListFolder(work_ / L"~$a.txt").empty());
  EXPECT_TRUE(ListFolder(work_ / L"~$photos").empty());
  EXPECT_EQ(ReadBytes(work_ / L"~$docs"), "file");
}

TEST_F(ShellExtTest, NameEndingInAPeriodOrABlankIsRefused) {
  client_->RegisterAndConnect();
  WriteBytes(work_ / L"memo", "neighbour");
  WriteBytes(work_ / L"memo.txt", "neighbour");
  const std::vector<std::wstring> odd = {L"memo.", L"memo ", L"memo.txt."};
  // Only "\\?\" paths can make such names; Win32 paths trim them to the neighbours.
  for (const std::wstring& name : odd) WriteBytes(L"\\\\?\\" + (work_ / name), "odd");
  const std::vector<std::wstring> before = ListFolder(work_.Path());
  ASSERT_EQ(before.size(), 5u);
  for (const std::wstring& name : odd) {
    CComPtr<IShellExtInit> handler = client_->CreateHandler();
    EXPECT_EQ(handler->Initialize(nullptr, HDropDataObject({work_ / name}).Get(), nullptr), E_FAIL) << U8(name);
    EXPECT_EQ(Invoke(handler.Get(), MAKEINTRESOURCEA(13)), E_FAIL) << U8(name);
  }
  EXPECT_EQ(ListFolder(work_.Path()), before) << "neither the item nor its neighbour was renamed";
  EXPECT_EQ(ReadBytes(work_ / L"memo"), "neighbour");
  for (const std::wstring& name : ListFolder(work_.Path())) ::DeleteFileW((L"\\\\?\\" + (work_ / name)).c_str());
}

TEST_F(ShellExtTest, DriveRootGetsNoRenamingCommand) {
  client_->RegisterAndConnect();
  // Wine maps drive letters outside the system's reach, so the prefix's own C: stands for a drive
  // Explorer hands to Folder handlers.
  const std::vector<std::wstring> before = ListFolder(L"C:\\");
  CComPtr<IShellExtInit> handler = client_->CreateHandler();
  ASSERT_EQ(handler->Initialize(nullptr, HDropDataObject({L"C:\\"}).Get(), nullptr), S_OK);
  // Asserted first: a renaming command offered here would copy the whole drive.
  ASSERT_EQ(SubmenuIds(handler.Get()), (std::vector<UINT>{kFirstId + 1, kFirstId + 2, kFirstId + 3}))
      << "copying the path stays; nothing renames the drive";
  for (int command = 5; command <= 21; ++command)
    EXPECT_EQ(Invoke(handler.Get(), MAKEINTRESOURCEA(command), false, true), E_FAIL) << command;
  EXPECT_EQ(ListFolder(L"C:\\"), before);
  EXPECT_EQ(Clip(handler.Get(), 1), L"C:\\");
  EXPECT_EQ(Clip(handler.Get(), 2), L"C:\\");
}

TEST_F(ShellExtTest, PathWithoutAFolderPartIsRefused) {
  client_->RegisterAndConnect();
  WriteBytes(work_ / L"memo.txt", "m");
  ASSERT_EQ(work_.Path().substr(0, 3), L"C:\\");
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  // Relative paths resolve against the current folder: make it one where they name a real item.
  ASSERT_TRUE(::SetCurrentDirectoryW(work_.Path().c_str()));
  const std::wstring rootRelative = work_.Path().substr(2) + L"\\memo.txt";
  for (const std::wstring& path : {std::wstring(L"memo.txt"), std::wstring(L"C:memo.txt"), std::wstring(L"C:"),
                                   rootRelative, L"\\\\?\\" + (work_ / L"memo.txt"), work_ / L".\\memo.txt",
                                   work_.Path() + L"\\\\memo.txt"}) {
    CComPtr<IShellExtInit> handler = client_->CreateHandler();
    EXPECT_EQ(handler->Initialize(nullptr, HDropDataObject({path}).Get(), nullptr), E_FAIL) << U8(path);
    EXPECT_EQ(Clip(handler.Get(), 1, false, E_FAIL), kSentinel) << U8(path);
  }
  ::SetCurrentDirectoryW(previous);
}

TEST_F(ShellExtTest, CommandsThatWouldLeaveNoUsableNameAreRefusedWithAMessage) {
  client_->RegisterAndConnect();
  WriteBytes(work_ / L"~$", "marker only");
  ::CreateDirectoryW((work_ / L" へのショートカット").c_str(), nullptr);
  WriteBytes(work_ / L"memo.$", "m");
  WriteBytes(work_ / L"memo  へのショートカット", "s");
  WriteBytes(work_ / L"1 NUL", "n");
  const std::vector<std::wstring> before = ListFolder(work_.Path());
  const std::wstring empty = L"新しい名前が空になるため、実行できません。\n【パス】";
  const std::wstring trailing = L"新しい名前の末尾がピリオドまたは空白になるため、実行できません。\n【パス】";
  const struct {
    const wchar_t* name;
    int command;
    bool ctrl;
    std::wstring message;
  } cases[] = {
      {L"~$", 14, false, empty + (work_ / L"~$")},
      {L" へのショートカット", 7, false, empty + (work_ / L" へのショートカット")},
      {L"memo.$", 16, false, trailing + (work_ / L"memo.")},
      {L"memo  へのショートカット", 7, false, trailing + (work_ / L"memo ")},
      // A copy onto NUL reported success and wrote nothing.
      {L"1 NUL", 9, true, L"新しい名前がデバイス名（CON、NUL など）になるため、実行できません。\n【パス】" + (work_ / L"NUL")},
  };
  // The menu hides each of these, so InvokeCommand refuses them silently; the command itself,
  // reached below the menu, refuses them again and says why.
  const CApp app(install_.Path(), L"user");
  CSettings settings;
  for (const auto& c : cases) {
    CMessageBoxCatcher catcher(kCaption);
    EXPECT_EQ(Invoke(Select({work_ / c.name}).Get(), MAKEINTRESOURCEA(c.command), false, c.ctrl), E_FAIL) << c.command;
    std::optional<CSelection> selection = ReadSelection(work_ / c.name);
    ASSERT_TRUE(selection);
    CCommandContext context(app, settings, selection->item);
    context.CtrlDown = c.ctrl;
    EXPECT_FALSE(RunCommand(c.command, context, selection->creationTime, selection->lastWriteTime));
    std::vector<CCaughtBox> boxes = catcher.Finish();
    ASSERT_EQ(boxes.size(), 1u) << U8(c.name);
    EXPECT_EQ(U8(boxes[0].text), U8(c.message));
  }
  EXPECT_EQ(ListFolder(work_.Path()), before);
}

// --- Registration -------------------------------------------------------------------------------

using RegistrationTest = ShellExtTest;

const wchar_t* const kHandlerKeys[] = {L"*", L"Folder", L"lnkfile", L"piffile", L"InternetShortcut"};

std::wstring HandlerKey(const wchar_t* type) {
  return std::wstring(L"Software\\Classes\\") + type + L"\\shellex\\ContextMenuHandlers\\TavrinoRename";
}

TEST_F(RegistrationTest, RegisterWritesEveryKeyAndUnregisterRemovesThem) {
  IClientShellExtController* controller = client_->Controller();
  ASSERT_TRUE(controller->Unregister());
  EXPECT_FALSE(controller->IsRegistered());
  ASSERT_TRUE(controller->Register());
  EXPECT_TRUE(controller->IsRegistered());

  bool exists = false;
  EXPECT_EQ(ReadUserString(HandlerClassKey(), nullptr, &exists), L"タブリノリネーム　シェル拡張");
  EXPECT_TRUE(exists);
  EXPECT_EQ(ReadUserString(HandlerClassKey() + L"\\InprocServer32", nullptr), install_ / L"tavrino_shellext.dll");
  EXPECT_EQ(ReadUserString(HandlerClassKey() + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  for (const wchar_t* type : kHandlerKeys) EXPECT_EQ(ReadUserString(HandlerKey(type), nullptr), kHandlerClsidText);

  // A sibling handler of another program stays.
  std::wstring sibling = L"Software\\Classes\\*\\shellex\\ContextMenuHandlers\\SomeoneElse";
  CRegKey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, sibling.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr),
            ERROR_SUCCESS);
  key.Reset();

  EXPECT_TRUE(controller->Unregister());
  EXPECT_FALSE(controller->IsRegistered());
  EXPECT_FALSE(UserKeyExists(HandlerClassKey()));
  for (const wchar_t* type : kHandlerKeys) EXPECT_FALSE(UserKeyExists(HandlerKey(type))) << U8(type);
  EXPECT_TRUE(UserKeyExists(sibling));
  ::RegDeleteKeyW(HKEY_CURRENT_USER, sibling.c_str());
  EXPECT_TRUE(controller->Unregister()) << "already absent counts as removed";
}

TEST_F(RegistrationTest, UnregisterRemovesSubkeysAddedByOthers) {
  IClientShellExtController* controller = client_->Controller();
  ASSERT_TRUE(controller->Register());
  for (const wchar_t* sub : {L"\\InprocServer32\\Extra\\Deeper", L"\\Other"}) {
    CRegKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (HandlerClassKey() + sub).c_str(), 0, nullptr, 0, KEY_WRITE,
                                nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
  }
  EXPECT_TRUE(controller->Unregister());
  EXPECT_FALSE(UserKeyExists(HandlerClassKey()));
}

TEST_F(RegistrationTest, RegisterReportsAKeyItCannotCreate) {
  ASSERT_TRUE(client_->Controller()->Unregister());
  // A volatile class key cannot hold the lasting InprocServer32 key below it.
  CRegKey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, HandlerClassKey().c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                              nullptr, key.Put(), nullptr),
            ERROR_SUCCESS);
  key.Reset();
  EXPECT_FALSE(client_->Controller()->Register());
  EXPECT_FALSE(UserKeyExists(HandlerClassKey() + L"\\InprocServer32"));
  EXPECT_TRUE(client_->Controller()->Unregister());
  EXPECT_FALSE(UserKeyExists(HandlerClassKey()));
}

}  // namespace
