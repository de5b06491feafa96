// The real shell's context menus with the extension registered as the configuration program
// registers it, asked for the way Explorer asks (SHParseDisplayName, SHBindToParent, the folder's
// IContextMenu, QueryContextMenu) for a file, a folder, a shortcut and a drive root. Asserts on
// Windows only: Wine's shell loads no context-menu handlers. The two disabled tests are run by the
// kit's package-check.ps1: they register the package for the kit's own folder as OK does.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "item_kind.h"
#include "package_registration.h"
#include "package_state.h"
#include "shell_client.h"
#include "shell_ext_controller.h"
#include "test_support.h"
#include "text.h"

// The configuration program's registration steps use the extension's controller: the kit's own
// library's, from beside the test programs.
extern "C" IShellExtController* GetShellExtController() {
  static CModule library(::LoadLibraryW(JoinPath(BinDir(), L"tavrino_shellext.dll").c_str()));
  using Get = IShellExtController* (*)();
  FARPROC get = library ? ::GetProcAddress(library.Get(), "GetShellExtController") : nullptr;
  return get ? reinterpret_cast<Get>(reinterpret_cast<void*>(get))() : nullptr;
}

namespace {

const std::wstring kEntry = L"タブリノリネーム(&N)";

// The library's rule for whether the classic submenu stands back for `item` where the extension
// lives in `folder`: the one place to follow when the rule changes.
bool ClassicStandsBack(const std::wstring& folder, const std::wstring& item) {
  const DWORD attributes = ::GetFileAttributesW(item.c_str());
  const bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  return ClassicMenuStandsBack(folder, ItemKindOf(item, isFolder));
}

struct PidlFree {
  void operator()(ITEMIDLIST* p) const { ::CoTaskMemFree(p); }
};

// Our entry's submenu in the menu a context menu fills, as "text|text|"; nothing when it is absent.
std::optional<std::wstring> OurSubmenu(IContextMenu* menu, UINT flags) {
  CMenu popup(::CreatePopupMenu());
  EXPECT_TRUE(SUCCEEDED(menu->QueryContextMenu(popup.Get(), 0, 1, 0x7FFF, flags)));
  for (int i = 0; i < ::GetMenuItemCount(popup.Get()); ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 255;
    if (::GetMenuItemInfoW(popup.Get(), i, TRUE, &info) && text == kEntry && info.hSubMenu)
      return MenuTexts(ReadMenu(info.hSubMenu));
  }
  return std::nullopt;
}

// The menu Explorer shows for a right-click on `path`.
std::optional<std::wstring> ShellSubmenu(const std::wstring& path, UINT flags) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (FAILED(::SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr))) {
    ADD_FAILURE() << "SHParseDisplayName " << U8(path);
    return std::nullopt;
  }
  std::unique_ptr<ITEMIDLIST, PidlFree> owned(pidl);
  CComPtr<IShellFolder> parent;
  PCUITEMID_CHILD child = nullptr;
  CComPtr<IContextMenu> menu;
  if (FAILED(::SHBindToParent(pidl, IID_IShellFolder, parent.PutVoid(), &child)) ||
      FAILED(parent->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr, menu.PutVoid()))) {
    ADD_FAILURE() << "no context menu for " << U8(path);
    return std::nullopt;
  }
  return OurSubmenu(menu.Get(), flags);
}

// The submenu our rules give for `path`: our handler asked directly.
std::wstring RulesSubmenu(CShellClient& client, const std::wstring& path, UINT flags) {
  CComPtr<IShellExtInit> init = client.CreateHandler();
  CComPtr<IContextMenu> menu;
  if (FAILED(init->Initialize(nullptr, ShellDataObject({path}).Get(), nullptr)) ||
      FAILED(init->QueryInterface(IID_IContextMenu, menu.PutVoid())))
    return L"(refused)";
  return OurSubmenu(menu.Get(), flags).value_or(L"(none)");
}

class RealShellMenu : public ::testing::Test {
protected:
  void SetUp() override {
    if (RunsOnWine()) GTEST_SKIP() << "skipped under Wine: its shell loads no context-menu handlers";
    WriteBytes(work_ / L"メモ.txt", "x");
    ::CreateDirectoryW((work_ / L"写真").c_str(), nullptr);
    CComPtr<IShellLinkW> link;
    CComPtr<IPersistFile> file;
    ASSERT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()), S_OK);
    link->SetPath((work_ / L"メモ.txt").c_str());
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, file.PutVoid()), S_OK);
    ASSERT_EQ(file->Save((work_ / L"メモ へのショートカット.lnk").c_str(), TRUE), S_OK);
    wchar_t windows[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    items_ = {work_ / L"メモ.txt", work_ / L"写真", work_ / L"メモ へのショートカット.lnk", std::wstring(windows, 3)};
  }

  // Each item, plain and with Shift: our entry with the submenu our rules give, or none where the
  // classic submenu stands back for Windows 11's own menu.
  void ExpectOurMenus(CShellClient& client, const std::wstring& folder) {
    for (const std::wstring& item : items_) {
      for (UINT flags : {UINT(CMF_NORMAL), UINT(CMF_NORMAL | CMF_EXTENDEDVERBS)}) {
        SCOPED_TRACE(U8(item) + (flags & CMF_EXTENDEDVERBS ? " with Shift" : ""));
        std::optional<std::wstring> shown = ShellSubmenu(item, flags);
        if (ClassicStandsBack(folder, item)) {
          EXPECT_FALSE(shown) << "Windows 11's menu carries the entry: the classic one stands back";
        } else {
          ASSERT_TRUE(shown) << "no タブリノリネーム(&N) in the shell's menu";
          EXPECT_EQ(U8(*shown), U8(RulesSubmenu(client, item, flags)));
        }
      }
    }
  }
  void ExpectNoEntry() {
    for (const std::wstring& item : items_) EXPECT_FALSE(ShellSubmenu(item, CMF_NORMAL)) << U8(item);
  }

  CComApartment com_;
  CTempDir work_{L"shell"};
  std::vector<std::wstring> items_;
};

TEST_F(RealShellMenu, EntryWithOurSubmenuWhileRegisteredAndGoneAfterwards) {
  CTempDir install(L"インストール");
  CopyDeliverables(install.Path(), {L"tavrino_shellext.dll"});
  CShellClient client(install.Path());
  client.RegisterAndConnect();
  ExpectOurMenus(client, install.Path());
  ASSERT_TRUE(client.Controller()->Unregister());
  ExpectNoEntry();
}

// Run by package-check.ps1, elevated, on Windows 11 with the test certificate trusted: OK's
// registration for the kit's own folder adds the package, whose effective external location is
// that folder; then the classic submenu stands back exactly as the rule says.
TEST_F(RealShellMenu, DISABLED_PackageAddedByTheRegistration) {
  CSystemPackageDeployment system;
  CPackageRegistration package(system, RealWindowsBuild(), BinDir());
  std::optional<std::wstring> notice = UpdateContextMenuRegistration(true, package);
  ASSERT_FALSE(notice) << U8(*notice);
  EXPECT_EQ(U8(RegisteredPackageFolder().value_or(L"(not registered)")), U8(BinDir())) << "effective external location";
  CShellClient client(BinDir());
  client.RegisterAndConnect();
  ExpectOurMenus(client, BinDir());
}

TEST_F(RealShellMenu, DISABLED_PackageRemovedByTheRegistration) {
  CSystemPackageDeployment system;
  CPackageRegistration package(system, RealWindowsBuild(), BinDir());
  UpdateContextMenuRegistration(false, package);
  EXPECT_FALSE(RegisteredPackageFolder()) << U8(*RegisteredPackageFolder());
  ExpectNoEntry();
}

}  // namespace
