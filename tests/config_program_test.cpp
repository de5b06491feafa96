// The configuration program as a user runs it: real tavrino.exe processes from an install folder of
// the test's own, the dialog driven through its controls, its message boxes read and answered, the
// real resident host (with the recording hook library), the real Run key and registration.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <oleacc.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app.h"
#include "config_program.h"
#include "errors.h"
#include "events.h"
#include "handles.h"
#include "package_identity.h"
#include "package_state.h"
#include "registry_snapshot.h"
#include "resource.h"
#include "shell_client.h"
#include "test_support.h"
#include "text.h"

namespace {

using Names = std::vector<std::string>;

const std::wstring kResidencyStarted =
    L"タブリノリネームの常駐を開始しました。\n"
    L"本プログラムはレジストリに登録され、次回からのWindows起動時にも自動的に常駐します。\n"
    L"常駐を解除するには、設定画面で全ての機能拡張を無効にするか、常駐解除ボタンを押してください。";
const std::wstring kSafeToDelete =
    L"\n※レジストリへの登録も解除されていますので、本プログラムを安全に削除していただけます。\n"
    L"※DLLが使用中で削除できない場合には、Windowsを再起動またはログオフしてから再度削除を行ってください。";
const std::wstring kAllDisabled = L"タブリノリネームの機能拡張は全て無効になっています。" + kSafeToDelete;
const std::wstring kRemoved = L"タブリノリネームの常駐が解除されました。" + kSafeToDelete;
const std::wstring kRemoveQuestion = L"タブリノリネームの常駐を解除します。\nよろしいですか？";

DWORD OpenEventError(const wchar_t* name) {
  CHandle event(::OpenEventW(EVENT_ALL_ACCESS, FALSE, name));
  return event ? ERROR_SUCCESS : ::GetLastError();
}

class ConfigProgramTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(IsHostRunning()) << "a resident host is already running";
    ASSERT_FALSE(NamedEventExists(kConfigRunningEventName)) << "a configuration program is already open";
  }

  static void ExpectShownAsResident(const CConfigWindow& window, bool resident) {
    EXPECT_EQ(U8(window.Text(IDC_RESIDENCY_STATUS)),
              U8(resident ? L"（※現在常駐しています）" : L"（※現在常駐していません）"));
    EXPECT_EQ(::IsWindowEnabled(window.Control(IDC_REMOVE_RESIDENCY)) != FALSE, resident);
  }

  // One run of the program that presses OK and meets `message` (none: it closes by itself).
  void RunOk(const std::vector<int>& clicks, const std::wstring& message) {
    CTestProcess program = install_.Start();
    CConfigWindow window(program);
    ASSERT_NE(window.Hwnd(), nullptr);
    for (int id : clicks) ::SendMessageW(window.Control(id), BM_CLICK, 0, 0);
    Click(window.Control(IDOK));
    if (!message.empty()) {
      ASSERT_NO_FATAL_FAILURE(ExpectBox(program, window.Hwnd(), message));
    }
    ASSERT_TRUE(EndsWithZero(program));
  }

  std::wstring ExtensionPath() const { return folder_ / L"tavrino_shellext.dll"; }
  bool HostGone() const {
    return WaitUntil([&] { return !IsHostRunning() && HostProcesses(folder_.Path()).empty(); }, kUiWaitMs);
  }

  CWithoutWindowManager unmanaged_;
  CTempDir folder_{L"config"};
  CConfigInstall install_{folder_.Path()};
  CResidencyGuard guard_{folder_.Path()};
};

TEST_F(ConfigProgramTest, SecondStartEndsAtOnceWithZeroAndShowsNothing) {
  CTestProcess first = install_.Start();
  CConfigWindow window(first);
  ASSERT_NE(window.Hwnd(), nullptr);
  CTestProcess second = install_.Start();
  // A window or a box of its own would keep it running.
  EXPECT_TRUE(EndsWithZero(second));
  EXPECT_TRUE(::IsWindowVisible(window.Hwnd())) << "the first one stays as it is";

  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(first));
  EXPECT_FALSE(NamedEventExists(kConfigRunningEventName));
  EXPECT_TRUE(IsDirectory(install_.UserFolder())) << "the data folders are made at start";
  EXPECT_EQ(install_.ReadSettings(), "") << "キャンセル writes nothing";
}

TEST_F(ConfigProgramTest, OpensOnTheLoadedSettingsWithVersionAndTheBasicTab) {
  install_.WriteSettings("EnableExplorerRenameExt=True\r\nEnableContextMenuExt=False\r\n");
  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  EXPECT_EQ(::SendMessageW(window.Control(IDC_TAB), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(window.SelectedTab(), 0);
  EXPECT_EQ(U8(ControlText(window.BasicPage())), "基本設定");
  EXPECT_TRUE(::IsWindowVisible(window.BasicPage()));
  EXPECT_EQ(U8(window.Text(IDC_VERSION)), "Ver.2.1.2 (x64)");
  EXPECT_EQ(U8(window.Text(IDC_WEB_LINK)), "https://tavrino.example.jp/");
  EXPECT_TRUE(IsChecked(window.Control(IDC_RENAME_EXT_ENABLE)));
  EXPECT_FALSE(IsChecked(window.Control(IDC_RENAME_EXT_DISABLE)));
  EXPECT_FALSE(IsChecked(window.Control(IDC_CONTEXT_MENU_ENABLE)));
  EXPECT_TRUE(IsChecked(window.Control(IDC_CONTEXT_MENU_DISABLE)));
  ExpectShownAsResident(window, false);
  // Both detail buttons stay usable whatever the radio buttons say.
  EXPECT_TRUE(::IsWindowEnabled(window.Control(IDC_RENAME_EXT_DETAIL)));
  EXPECT_TRUE(::IsWindowEnabled(window.Control(IDC_CONTEXT_MENU_DETAIL)));

  // The second tab is made when it is first shown; the first goes behind it.
  EXPECT_EQ(window.Control(IDC_DATE_FORMAT), nullptr);
  ASSERT_TRUE(window.ShowTab(1));
  EXPECT_EQ(U8(ControlText(window.OptionPage())), "オプション");
  EXPECT_FALSE(::IsWindowVisible(window.BasicPage()));
  ASSERT_TRUE(window.ShowTab(0));
  EXPECT_FALSE(::IsWindowVisible(window.OptionPage()));
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));
}

TEST_F(ConfigProgramTest, KeyboardAloneReachesEveryControlAndEnterPressesTheButtonWithTheFocus) {
  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  HWND dialog = window.Hwnd();
  ASSERT_NE(dialog, nullptr);
  ::SetForegroundWindow(dialog);
  ASSERT_TRUE(WaitUntil([&] { return FocusOf(dialog) == window.Control(IDC_TAB); }, kUiWaitMs)) << "the tab strip first";
  // Enter opens the detail dialog of the focused 詳細設定 (never OK); after Esc the focus is back on
  // that button and OK is the default button again.
  auto enterOpens = [&](int button, const std::wstring& caption) {
    TypeKey(VK_RETURN);
    HWND detail = WaitForMessageBox(program.Id(), caption, kUiWaitMs);
    ASSERT_NE(detail, nullptr) << "Enter did not press " << button;
    TypeKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(detail); }, kUiWaitMs));
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(dialog) == window.Control(button); }, kUiWaitMs))
        << Describe(FocusOf(dialog));
    EXPECT_EQ(::SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
  };
  const std::vector<WORD> shift{VK_SHIFT}, ctrl{VK_CONTROL}, ctrlShift{VK_CONTROL, VK_SHIFT};
  ASSERT_TRUE(WalkKeys(dialog, {{VK_TAB, {}, IDC_RENAME_EXT_DISABLE},
                                {VK_UP, {}, IDC_RENAME_EXT_ENABLE},
                                {VK_DOWN, {}, IDC_RENAME_EXT_DISABLE},
                                {VK_TAB, {}, IDC_RENAME_EXT_DETAIL}}));
  // The arrows leave each 詳細設定 where it is: no line, frame or icon takes the focus.
  for (WORD arrow : {VK_DOWN, VK_LEFT}) {
    TypeKey(arrow);
    ASSERT_NO_FATAL_FAILURE(enterOpens(IDC_RENAME_EXT_DETAIL, kRenameCaption));
  }
  ASSERT_TRUE(WalkKeys(dialog, {{VK_TAB, {}, IDC_CONTEXT_MENU_DISABLE}, {VK_TAB, {}, IDC_CONTEXT_MENU_DETAIL}}));
  TypeKey(VK_UP);
  ASSERT_NO_FATAL_FAILURE(enterOpens(IDC_CONTEXT_MENU_DETAIL, kMenuCaption));
  // Opened with the mouse, then closed with Esc: Enter opens it again.
  MouseClick(window.Control(IDC_CONTEXT_MENU_DETAIL));
  HWND detail = WaitForMessageBox(program.Id(), kMenuCaption, kUiWaitMs);
  ASSERT_NE(detail, nullptr);
  TypeKey(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(detail); }, kUiWaitMs));
  ASSERT_NO_FATAL_FAILURE(enterOpens(IDC_CONTEXT_MENU_DETAIL, kMenuCaption));

  auto shows = [&](int tab) { return [&window, tab] { return window.SelectedTab() == tab; }; };
  ASSERT_TRUE(WalkKeys(dialog, {{VK_TAB, {}, IDC_WEB_LINK},
                                {VK_TAB, {}, IDOK},  // 常駐解除 is off: nothing is resident
                                {VK_TAB, {}, IDCANCEL},
                                {VK_TAB, {}, IDC_HELP_BUTTON},
                                {VK_RIGHT, {}, IDOK},  // round within the buttons
                                {VK_LEFT, {}, IDC_HELP_BUTTON},
                                {VK_RETURN, {}, IDC_HELP_BUTTON},  // no help file here: nothing shows
                                {VK_TAB, {}, IDC_TAB},
                                // Pages by keyboard from anywhere; a focus on the page that goes
                                // moves to the tab strip, which comes before the page's controls.
                                {VK_TAB, ctrl, IDC_TAB, shows(1)},
                                {VK_TAB, {}, IDC_DATE_FORMAT},
                                {VK_PRIOR, ctrl, IDC_TAB, shows(0)},
                                {VK_NEXT, ctrl, IDC_TAB, shows(1)},
                                {VK_TAB, ctrlShift, IDC_TAB, shows(0)},
                                {VK_TAB, {}, IDC_RENAME_EXT_DISABLE},
                                {VK_TAB, shift, IDC_TAB},
                                {VK_TAB, shift, IDC_HELP_BUTTON},
                                {VK_TAB, ctrl, IDC_HELP_BUTTON, shows(1)},
                                {VK_NEXT, ctrl, IDC_HELP_BUTTON, shows(0)}}));
  // Every button used by keyboard, Esc still closes; Enter never pressed OK.
  TypeKey(VK_ESCAPE);
  ASSERT_TRUE(EndsWithZero(program));
  EXPECT_EQ(install_.ReadSettings(), "");
}

// Wine's annotation service answers "not implemented": a recording one stands in for it, registered
// where COM looks for the system's (Wine reads only the machine's classes; Windows takes the user's
// first, which needs no administrator).
TEST_F(ConfigProgramTest, ScreenReadersHearEachChoiceWithItsRowEachListByItsLabelAndTheLinkAsALink) {
  const std::wstring serviceKey = L"Software\\Classes\\CLSID\\{B5F8350B-0548-48B1-A6EE-88BD00B4A5E7}\\InprocServer32";
  const HKEY serviceRoot = RunsOnWine() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  CRegistrySnapshot service(serviceRoot, serviceKey);
  CTempDir library(L"accprop");
  std::wstring recorder = library / L"accprop_recorder.dll";
  ASSERT_TRUE(::CopyFileW(JoinPath(TestDir(), L"accprop_recorder\\accprop_recorder.dll").c_str(), recorder.c_str(), FALSE));
  SetRegistryString(serviceRoot, serviceKey, nullptr, recorder);
  SetRegistryString(serviceRoot, serviceKey, L"ThreadingModel", L"Both");

  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  {
    CComApartment com;
    IAccessible* link = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(window.Control(IDC_WEB_LINK), static_cast<DWORD>(OBJID_CLIENT),
                                           __uuidof(IAccessible), reinterpret_cast<void**>(&link)),
              S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{};
    EXPECT_EQ(link->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_LINK);
    auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
      BSTR value = nullptr;
      std::string out = SUCCEEDED((link->*get)(self, &value)) && value ? U8(value) : "(none)";
      ::SysFreeString(value);
      return out;
    };
    EXPECT_EQ(text(&IAccessible::get_accName), "https://tavrino.example.jp/");
    EXPECT_EQ(text(&IAccessible::get_accValue), "https://tavrino.example.jp/");
    EXPECT_EQ(text(&IAccessible::get_accDefaultAction), "ジャンプ");
    link->Release();
  }
  ASSERT_TRUE(window.ShowTab(1));
  for (int button : {IDC_RENAME_EXT_DETAIL, IDC_CONTEXT_MENU_DETAIL}) {
    HWND detail = window.OpenDetail(button, button == IDC_RENAME_EXT_DETAIL ? kRenameCaption : kMenuCaption);
    ASSERT_NE(detail, nullptr);
    Click(::GetDlgItem(detail, IDCANCEL));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(detail); }, kUiWaitMs));
  }
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));

  const std::string main = "\tタブリノリネームの設定\t", menu = "\t右クリックメニュー拡張の詳細設定\t",
                    rename = "\tファイル名変更機能拡張の詳細設定\t";
  const std::string explorer = "エクスプローラー等のファイル名変更機能拡張", context = "右クリックメニューに「タブリノリネーム」を追加";
  Names expected = {
      main + "Button\t1012\t" + explorer + " 有効",       main + "Button\t1014\t" + explorer + " 無効",
      main + "Button\t1016\t" + explorer + "の詳細設定",  main + "Button\t1019\t" + context + " 有効",
      main + "Button\t1020\t" + context + " 無効",        main + "Button\t1018\t" + context + "の詳細設定",
      main + "ComboBox\t1035\t日付書式",                  main + "Edit\t1001\t日付書式",
      main + "ComboBox\t1037\t日時書式",                  main + "Edit\t1001\t日時書式",
      main + "ComboBox\t1033\tファイル名と日付の連結文字", menu + "ListBox\t1027\t現在アクティブな機能",
      menu + "ListBox\t1028\t利用可能なアクティブでない機能", rename + "SysListView32\t1023\tファイル名の範囲選択順",
  };
  // Every name is taken back when its dialog goes.
  Names sets, clears, cleared;
  std::istringstream log(ReadBytes(library / L"accprop_recorder.log"));
  for (std::string line; std::getline(log, line);) {
    std::string kind = line.substr(0, line.find('\t'));
    (kind == "set" ? sets : kind == "clear" ? clears : cleared).push_back(line.substr(kind.size()));
  }
  EXPECT_TRUE(cleared.empty()) << "asked for something else";
  for (std::string& name : expected) cleared.push_back(name.substr(0, name.rfind('\t')));
  for (Names* names : {&expected, &sets, &clears, &cleared}) std::sort(names->begin(), names->end());
  EXPECT_EQ(sets, expected);
  EXPECT_EQ(clears, cleared);
}

TEST_F(ConfigProgramTest, StartRemovesWhatSavesEndedInTheMiddleLeftOnceAMinuteOld) {
  install_.WriteSettings("DateFormat=%d\r\n");
  WriteBytes(JoinPath(install_.UserFolder(), L"tav1F2E.tmp"), "[Default]");
  ASSERT_TRUE(AgeFile(JoinPath(install_.UserFolder(), L"tav1F2E.tmp"), 120));
  WriteBytes(JoinPath(install_.UserFolder(), L"tav3D4C.tmp"), "[Default]");  // a save running now
  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  EXPECT_EQ((std::vector<std::wstring>{L"tav3D4C.tmp", L"tavrino.ini"}), ListFolder(install_.UserFolder()));
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));
}

TEST_F(ConfigProgramTest, StatusAndReleaseButtonFollowTheRunValueOrTheRegistration) {
  struct {
    bool runValue;
    bool registered;
  } const cases[] = {{true, false}, {false, true}, {false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("run value ") + (c.runValue ? "yes" : "no") + ", registered " + (c.registered ? "yes" : "no"));
    if (c.runValue)
      SetRegistryString(HKEY_CURRENT_USER, kRunKey, L"tavrino", L"\"C:\\elsewhere\\tavrino_main.exe\" /START");
    else
      DeleteRegistryValue(HKEY_CURRENT_USER, kRunKey, L"tavrino");
    if (c.registered)
      SetRegistryString(HKEY_CURRENT_USER, kExtensionClassKey, nullptr, L"registered earlier");
    else
      ::RegDeleteKeyW(HKEY_CURRENT_USER, kExtensionClassKey.c_str());
    CTestProcess program = install_.Start();
    CConfigWindow window(program);
    ASSERT_NE(window.Hwnd(), nullptr);
    // Whether or not a host runs: none does here.
    ExpectShownAsResident(window, c.runValue || c.registered);
    Click(window.Control(IDCANCEL));
    ASSERT_TRUE(EndsWithZero(program));
  }
}

TEST_F(ConfigProgramTest, OkWithTheRenameExtensionStartsTheHostAndLaterRestartsIt) {
  install_.WriteSettings("EnableExplorerRenameExt=True\r\n");
  ASSERT_NO_FATAL_FAILURE(RunOk({}, kResidencyStarted));
  EXPECT_EQ(U8(AutoStartValue().value_or(L"(absent)")), U8(install_.HostCommandLine()));
  ASSERT_TRUE(IsHostRunning());
  CHandle ready = OpenNamedEvent(kReadyEventName);
  EXPECT_TRUE(IsEventSignalled(ready.Get()));
  ready.Reset();
  EXPECT_EQ(install_.HookCalls(), (Names{"GetTavrinoHookController", "StartHook"}));
  EXPECT_FALSE(IsExtensionRegistered());
  EXPECT_EQ(install_.SettingsValue("EnableExplorerRenameExt"), "True");
  EXPECT_EQ(install_.SettingsValue("EnableContextMenuExt"), "False");

  // Again while it runs: it reloads and restarts its hook; no second host; resident, so no message.
  {
    CTestProcess program = install_.Start();
    CConfigWindow window(program);
    ASSERT_NE(window.Hwnd(), nullptr);
    ExpectShownAsResident(window, true);
    Click(window.Control(IDOK));
    ASSERT_TRUE(EndsWithZero(program));
  }
  EXPECT_TRUE(WaitUntil([&] { return install_.HookCalls().size() >= 4; }, kUiWaitMs));
  EXPECT_EQ(install_.HookCalls(), (Names{"GetTavrinoHookController", "StartHook", "StopHook", "StartHook"}));
  EXPECT_EQ(HostProcesses(folder_.Path()).size(), 1u);
  EXPECT_EQ(U8(AutoStartValue().value_or(L"(absent)")), U8(install_.HostCommandLine()));
}

TEST_F(ConfigProgramTest, OkWithBothDisabledRemovesEverythingAndSaysSoAlsoWhenNothingWasThere) {
  install_.WriteSettings("EnableExplorerRenameExt=True\r\nEnableContextMenuExt=True\r\n");
  ASSERT_NO_FATAL_FAILURE(RunOk({}, kResidencyStarted));
  ASSERT_TRUE(AutoStartValue().has_value());
  ASSERT_TRUE(IsHostRunning());
  EXPECT_EQ(U8(RegisteredExtensionPath().value_or(L"(absent)")), U8(ExtensionPath()));

  ASSERT_NO_FATAL_FAILURE(RunOk({IDC_RENAME_EXT_DISABLE, IDC_CONTEXT_MENU_DISABLE}, kAllDisabled));
  EXPECT_FALSE(AutoStartValue().has_value());
  EXPECT_TRUE(HostGone());
  EXPECT_EQ(install_.HookCalls(), (Names{"GetTavrinoHookController", "StartHook", "StopHook"}));
  EXPECT_FALSE(IsExtensionRegistered());
  EXPECT_EQ(install_.SettingsValue("EnableExplorerRenameExt"), "False");
  EXPECT_EQ(install_.SettingsValue("EnableContextMenuExt"), "False");

  ASSERT_NO_FATAL_FAILURE(RunOk({}, kAllDisabled));
  EXPECT_FALSE(AutoStartValue().has_value());
  EXPECT_FALSE(IsExtensionRegistered());
}

TEST_F(ConfigProgramTest, ContextMenuOnlyRegistersLeavesNoRunValueAndStopsARunningHost) {
  install_.WriteSettings("EnableContextMenuExt=True\r\n");
  ASSERT_NO_FATAL_FAILURE(RunOk({}, kResidencyStarted));
  EXPECT_EQ(U8(RegisteredExtensionPath().value_or(L"(absent)")), U8(ExtensionPath()));
  EXPECT_FALSE(AutoStartValue().has_value());
  EXPECT_FALSE(IsHostRunning());
  EXPECT_EQ(install_.HookCalls(), Names{});

  ASSERT_NO_FATAL_FAILURE(RunOk({IDC_RENAME_EXT_ENABLE}, L""));
  ASSERT_TRUE(IsHostRunning());
  ASSERT_TRUE(AutoStartValue().has_value());
  ASSERT_NO_FATAL_FAILURE(RunOk({IDC_RENAME_EXT_DISABLE}, L""));
  EXPECT_TRUE(HostGone());
  EXPECT_FALSE(AutoStartValue().has_value());
  EXPECT_TRUE(IsExtensionRegistered());
}

TEST_F(ConfigProgramTest, RemoveResidencyAsksFirstAndOnYesRemovesEverythingWithoutSaving) {
  install_.WriteSettings("EnableExplorerRenameExt=True\r\nEnableContextMenuExt=True\r\n");
  ASSERT_NO_FATAL_FAILURE(RunOk({}, kResidencyStarted));
  const std::string saved = install_.ReadSettings();

  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  ExpectShownAsResident(window, true);
  // Edits that the release must drop.
  ::SendMessageW(window.Control(IDC_RENAME_EXT_DISABLE), BM_CLICK, 0, 0);
  ::SendMessageW(window.Control(IDC_CONTEXT_MENU_DISABLE), BM_CLICK, 0, 0);

  Click(window.Control(IDC_REMOVE_RESIDENCY));
  ASSERT_NO_FATAL_FAILURE(
      ExpectBox(program, window.Hwnd(), kRemoveQuestion, {IDYES, IDNO}, IDNO));
  EXPECT_TRUE(::IsWindow(window.Hwnd()));
  EXPECT_TRUE(AutoStartValue().has_value());
  EXPECT_TRUE(IsExtensionRegistered());
  EXPECT_TRUE(IsHostRunning());

  Click(window.Control(IDC_REMOVE_RESIDENCY));
  ASSERT_NO_FATAL_FAILURE(
      ExpectBox(program, window.Hwnd(), kRemoveQuestion, {IDYES, IDNO}, IDYES));
  ASSERT_NO_FATAL_FAILURE(ExpectBox(program, window.Hwnd(), kRemoved));
  ASSERT_TRUE(EndsWithZero(program));
  EXPECT_FALSE(AutoStartValue().has_value());
  EXPECT_FALSE(IsExtensionRegistered());
  EXPECT_TRUE(HostGone());
  EXPECT_EQ(install_.ReadSettings(), saved);
}

TEST_F(ConfigProgramTest, RemoveResidencyTakesEveryStepWhenTheRegistrationCannotBeRemoved) {
  install_.WriteSettings("EnableExplorerRenameExt=True\r\nEnableContextMenuExt=True\r\n");
  ASSERT_NO_FATAL_FAILURE(RunOk({}, kResidencyStarted));
  // The first key the unregistration meets can no longer be opened for deletion.
  CDeniedKey denied(HKEY_CURRENT_USER, L"Software\\Classes\\InternetShortcut\\shellex\\ContextMenuHandlers\\TavrinoRename");
  ASSERT_TRUE(denied.Denied());

  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  Click(window.Control(IDC_REMOVE_RESIDENCY));
  ASSERT_NO_FATAL_FAILURE(ExpectBox(program, window.Hwnd(), kRemoveQuestion, {IDYES, IDNO}, IDYES));
  ASSERT_NO_FATAL_FAILURE(ExpectBox(program, window.Hwnd(), L"コンテキストメニュー拡張の登録解除処理に失敗しました。"));
  EXPECT_FALSE(AutoStartValue().has_value());
  EXPECT_TRUE(HostGone()) << "the host is stopped whatever failed before";
  EXPECT_TRUE(IsExtensionRegistered());
  EXPECT_TRUE(::IsWindowVisible(window.Hwnd())) << "not removed: the dialog stays for another try";
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));
}

TEST_F(ConfigProgramTest, PackageBesideTheProgramChangesNothingOnWindows10) {
  if (!RunsOnWine() && HasTopLevelMenu(RealWindowsBuild()))
    GTEST_SKIP() << "skipped on Windows 11: this is Windows 10's behaviour; Windows 11's package is tried by "
                    "explorer_menu_test and package-check.ps1";
  ASSERT_FALSE(HasTopLevelMenu(RealWindowsBuild())) << "the test's premise: Wine reports Windows 10";
  WriteBytes(folder_ / kPackageFileName, "the package");
  install_.WriteSettings("EnableContextMenuExt=True\r\n");
  // Exactly the classic registration and its one message: no PowerShell box, no notice first.
  ASSERT_NO_FATAL_FAILURE(RunOk({}, kResidencyStarted));
  EXPECT_EQ(U8(RegisteredExtensionPath().value_or(L"(absent)")), U8(ExtensionPath()));
  CRegKey classKey;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kExtensionClassKey.c_str(), 0, KEY_READ, classKey.Put()), ERROR_SUCCESS);
  DWORD values = 0;
  ASSERT_EQ(::RegQueryInfoKeyW(classKey.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 1u) << "the class key holds its name and nothing else";
  classKey.Reset();
  ASSERT_NO_FATAL_FAILURE(RunOk({IDC_CONTEXT_MENU_DISABLE}, kAllDisabled));
  EXPECT_FALSE(IsExtensionRegistered());
}

TEST_F(ConfigProgramTest, HostMissingFromTheFolderIsReportedWithTheSystemsText) {
  ASSERT_TRUE(::DeleteFileW(install_.HostPath().c_str()));
  install_.WriteSettings("EnableExplorerRenameExt=True\r\n");
  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  Click(window.Control(IDOK));
  ASSERT_NO_FATAL_FAILURE(ExpectBox(program, window.Hwnd(),
                                    install_.HostPath() + L"の起動に失敗しました。\n【内容】" +
                                        SystemMessage(ERROR_FILE_NOT_FOUND)));
  EXPECT_TRUE(::IsWindowVisible(window.Hwnd())) << "the dialog stays open";
  EXPECT_FALSE(AutoStartValue().has_value()) << "nothing is recorded for a host that did not start";
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));
}

TEST_F(ConfigProgramTest, HostWhoseHookDoesNotStartIsReportedAsNotStartedProperly) {
  install_.SetStartHookResults("0");
  install_.WriteSettings("EnableExplorerRenameExt=True\r\n");
  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  Click(window.Control(IDOK));
  // The host waits on its own message while ours says it did not come up.
  ASSERT_NO_FATAL_FAILURE(ExpectBox(program, window.Hwnd(), install_.HostPath() + L"を正常に起動できませんでした。"));
  std::vector<DWORD> hosts = HostProcesses(folder_.Path());
  ASSERT_EQ(hosts.size(), 1u);
  HWND hostBox = WaitForMessageBox(hosts[0], kMessageCaption, kUiWaitMs);
  ASSERT_NE(hostBox, nullptr);
  EXPECT_EQ(U8(MessageBoxText(hostBox)), "フックを開始できませんでした。");
  CloseMessageBox(hostBox);
  EXPECT_TRUE(HostGone());
  EXPECT_FALSE(AutoStartValue().has_value());
  EXPECT_TRUE(::IsWindowVisible(window.Hwnd()));
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));
}

TEST_F(ConfigProgramTest, RunKeyThatCannotBeOpenedIsReportedAndTheDialogOpensAsNotResident) {
  SetRegistryString(HKEY_CURRENT_USER, kExtensionClassKey, nullptr, L"registered earlier");
  // Another program takes every right on the Run key away.
  CDeniedKey denied(HKEY_CURRENT_USER, kRunKey);
  ASSERT_TRUE(denied.Denied());
  CRegKey probe;
  ASSERT_NE(::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey.c_str(), 0, KEY_READ | KEY_WRITE, probe.Put()), ERROR_SUCCESS)
      << "this system does not enforce a key's rights";

  CTestProcess program = install_.Start();
  HWND box = WaitForBox(program);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(U8(MessageBoxText(box)), U8(L"レジストリキー" + kRunKey + L"をオープンできません。"));
  CloseMessageBox(box);
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  ExpectShownAsResident(window, false);
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));
}

TEST_F(ConfigProgramTest, CancelOrClosingAfterEditsLeavesTheSettingsFileByteForByte) {
  install_.WriteSettings("; kept as it is\r\nEnableContextMenuExt=TRUE\r\nDateFormat=%y\r\nUnknownKey=1\r\n");
  const std::string before = install_.ReadSettings();
  for (bool closeWindow : {false, true}) {
    SCOPED_TRACE(closeWindow ? "window closed" : "キャンセル");
    CTestProcess program = install_.Start();
    CConfigWindow window(program);
    ASSERT_NE(window.Hwnd(), nullptr);
    ::SendMessageW(window.Control(IDC_RENAME_EXT_ENABLE), BM_CLICK, 0, 0);
    ::SendMessageW(window.Control(IDC_CONTEXT_MENU_DISABLE), BM_CLICK, 0, 0);
    ASSERT_TRUE(window.ShowTab(1));
    TypeText(window.Control(IDC_DATE_FORMAT), L"%Y-%m");
    ChooseComboItem(window.Control(IDC_CONNECTION), 2);
    if (closeWindow)
      ::PostMessageW(window.Hwnd(), WM_CLOSE, 0, 0);
    else
      Click(window.Control(IDCANCEL));
    ASSERT_TRUE(EndsWithZero(program));
    EXPECT_EQ(install_.ReadSettings(), before);
    EXPECT_FALSE(AutoStartValue().has_value());
    EXPECT_FALSE(IsExtensionRegistered());
    EXPECT_FALSE(IsHostRunning());
  }
}

TEST_F(ConfigProgramTest, StartUpFailuresShowTheirStageMessageAndEndWithZero) {
  {
    // The single-instance name taken by another kind of object.
    CHandle squatter(::CreateMutexW(nullptr, FALSE, kConfigRunningEventName));
    ASSERT_TRUE(squatter);
    DWORD error = OpenEventError(kConfigRunningEventName);
    ASSERT_NE(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    CTestProcess program = install_.Start();
    ASSERT_NO_FATAL_FAILURE(ExpectBox(program, nullptr,
                                      L"多重起動チェック時にエラーが発生しました。\n【内容】" + SystemMessage(error)));
    ASSERT_TRUE(EndsWithZero(program));
  }
  // A file where a data folder belongs is no folder: the failure names it.
  const std::wstring userdata = folder_ / L"userdata";
  for (const auto& [file, message] :
       {std::pair{userdata, L"ユーザーデータフォルダの作成に失敗しました。\n【パス】"},
        std::pair{install_.UserFolder(), L"ログインユーザーデータフォルダの作成に失敗しました。\n【パス】"}}) {
    if (file != userdata) {
      ASSERT_TRUE(::CreateDirectoryW(userdata.c_str(), nullptr));
    }
    WriteBytes(file, "a file");
    CTestProcess program = install_.Start();
    ASSERT_NO_FATAL_FAILURE(ExpectBox(
        program, nullptr, L"アプリケーションの初期化時にエラーが発生しました。\n【内容】" + (message + file)));
    ASSERT_TRUE(EndsWithZero(program));
    EXPECT_EQ("a file", ReadBytes(file));
    ::DeleteFileW(file.c_str());
  }
  {
    // UTF-16 without its byte-order mark reads as 8-bit text with NULs: refused, and kept.
    const std::string bytes = Utf16Bytes(L"[Default]\r\nContextMenuExt_MenuItems=1,2,3\r\n");
    ::CreateDirectoryW(install_.UserFolder().c_str(), nullptr);
    WriteBytes(install_.IniPath(), bytes);
    CTestProcess program = install_.Start();
    ASSERT_NO_FATAL_FAILURE(ExpectBox(program, nullptr,
                                      L"設定データのロード時にエラーが発生しました。\n【内容】"
                                      L"設定ファイルが読み取れる形式ではありません。\n【パス】" +
                                          install_.IniPath()));
    ASSERT_TRUE(EndsWithZero(program));
    EXPECT_EQ(bytes, install_.ReadSettings());
  }
  {
    install_.WriteSettings("EnableExplorerRenameExt=True\r\n");
    // Another program holds the settings file for itself: the defaults must not pass for the
    // user's settings, which OK would then overwrite.
    CFileHandle locked(::CreateFileW(install_.IniPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locked);
    CTestProcess program = install_.Start();
    ASSERT_NO_FATAL_FAILURE(ExpectBox(
        program, nullptr, L"設定データのロード時にエラーが発生しました。\n【内容】" + SystemMessage(ERROR_SHARING_VIOLATION)));
    ASSERT_TRUE(EndsWithZero(program));
  }
  EXPECT_FALSE(IsHostRunning());
}

TEST_F(ConfigProgramTest, HostCommandLineThatDoesNotFitIsRefusedBeforeAnythingStarts) {
  // Quoted path, blank and /START take 26 characters beyond the folder; the settings path must
  // still fit, so the user's name is short (Wine takes it from WINEUSERNAME).
  const std::wstring userName = RunsOnWine() ? L"ab" : CApp().UserName();
  if (userName.size() > 3)
    GTEST_SKIP() << "skipped on Windows: the user name has more than 3 characters, so the settings path "
                    "would not fit either";
  const std::size_t wanted = kMaxPathUnits - 26;
  std::wstring deep = folder_.Path();
  while (deep.size() < wanted) {
    deep = JoinPath(deep, std::wstring(std::min<std::size_t>(100, wanted - deep.size() - 1), L'd'));
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
  }
  ASSERT_EQ(deep.size(), wanted);
  CConfigInstall install(deep);
  std::wstring user = JoinPath(deep, L"userdata\\" + userName);
  ::CreateDirectoryW(JoinPath(deep, L"userdata").c_str(), nullptr);
  ::CreateDirectoryW(user.c_str(), nullptr);
  WriteBytes(JoinPath(user, L"tavrino.ini"), "[Default]\r\nEnableExplorerRenameExt=True\r\n");

  CTestProcess program = install.Start(RunsOnWine() ? std::vector<std::wstring>{L"WINEUSERNAME=ab"} : std::vector<std::wstring>{});
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  Click(window.Control(IDOK));
  ASSERT_NO_FATAL_FAILURE(
      ExpectBox(program, window.Hwnd(), L"パスが長すぎます。\n【パス】" + install.HostPath()));
  EXPECT_FALSE(IsHostRunning());
  EXPECT_TRUE(HostProcesses(folder_.Path()).empty());
  EXPECT_EQ(install.HookCalls(), Names{});
  EXPECT_FALSE(AutoStartValue().has_value());
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));
}

}  // namespace
