// Help as the real program reaches it: the HTML Help control library that HKEY_CLASSES_ROOT names
// (here a recording stand-in), the system's own one when that cannot be had, and nothing at all when
// neither offers HtmlHelpW. Wine's HKEY_CLASSES_ROOT shows HKLM\Software\Classes only (it merges no
// per-user classes), so the stand-in is registered there; on Windows for the user, as an
// administrator is not needed there. The key is put back afterwards.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "config_program.h"
#include "errors.h"
#include "events.h"
#include "resource.h"
#include "test_support.h"
#include "text.h"

namespace {

const std::wstring kHelpClassKey = L"Software\\Classes\\CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}";
const std::wstring kHelpControlKey = kHelpClassKey + L"\\InprocServer32";
HKEY HelpRoot() { return RunsOnWine() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// Visible top-level windows of a process.
std::vector<HWND> VisibleWindows(DWORD processId) {
  struct CSearch {
    DWORD id;
    std::vector<HWND> found;
  } search{processId, {}};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<CSearch*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s.id && ::IsWindowVisible(window)) s.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class HelpTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_FALSE(NamedEventExists(kConfigRunningEventName)); }

  static void Register(const std::wstring& path, DWORD type = REG_SZ) {
    SetRegistryString(HelpRoot(), kHelpControlKey, nullptr, path, type);
  }

  // A copy of a test library in a folder of its own; its calls are logged beside it.
  std::wstring CopyLibrary(const std::wstring& from, const std::wstring& folder, const std::wstring& name) const {
    std::wstring to = JoinPath(folder, name);
    if (!::CopyFileW(JoinPath(TestDir(), from).c_str(), to.c_str(), FALSE)) ADD_FAILURE() << "cannot copy " << U8(from);
    return to;
  }
  std::wstring Recorder() const { return CopyLibrary(L"help_recorder\\help_recorder.dll", library_.Path(), L"help_recorder.dll"); }

  static std::vector<std::string> Calls(const std::wstring& folder) {
    std::vector<std::string> calls;
    std::wstring log = JoinPath(folder, L"help_recorder.log");
    if (!PathExists(log)) return calls;
    std::istringstream lines(ReadBytes(log));
    for (std::string line; std::getline(lines, line);) calls.push_back(line);
    return calls;
  }
  std::vector<std::string> Calls() const { return Calls(library_.Path()); }
  bool CallsReach(std::size_t count) const {
    return WaitUntil([&] { return Calls().size() >= count; }, kUiWaitMs);
  }

  std::string HelpFile() const { return U8(folder_ / L"タブリノリネームヘルプ.chm"); }

  CWithoutWindowManager unmanaged_;
  CTempDir folder_{L"help"};
  CConfigInstall install_{folder_.Path()};
  CResidencyGuard guard_{folder_.Path()};
  // The user's class key goes whole: nothing of it may stay in front of the machine's.
  CRegistrySnapshot helpKey_{HelpRoot(), RunsOnWine() ? kHelpControlKey : kHelpClassKey};
  CTempDir library_{L"helplib"};
};

TEST_F(HelpTest, RegisteredLibraryGetsInitializeTopicTenAndUninitializeInThatOrder) {
  Register(Recorder());
  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  ASSERT_TRUE(CallsReach(1)) << "the session begins with the program";
  Click(window.Control(IDC_HELP_BUTTON));
  ASSERT_TRUE(CallsReach(2));
  // F1, typed with the dialog in front, asks for the same topic.
  ::SetForegroundWindow(window.Hwnd());
  ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == window.Hwnd(); }, kUiWaitMs));
  INPUT keys[2] = {};
  for (INPUT& key : keys) {
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_F1;
  }
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
  ASSERT_TRUE(CallsReach(3));
  EXPECT_TRUE(FindMessageBoxes(program.Id(), kMessageCaption).empty());
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));

  const std::string file = "\tcaller=none\tfile=" + HelpFile() + "\tdata=";
  EXPECT_EQ(Calls(), (std::vector<std::string>{"command=28" + file + "address", "command=15" + file + "10",
                                               "command=15" + file + "10", "command=29" + file + "24301"}));
}

TEST_F(HelpTest, DetailDialogsAskForTheirOwnTopics) {
  Register(Recorder());
  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  struct {
    int button;
    const wchar_t* caption;
  } const details[] = {{IDC_CONTEXT_MENU_DETAIL, L"右クリックメニュー拡張の詳細設定"},
                       {IDC_RENAME_EXT_DETAIL, L"ファイル名変更機能拡張の詳細設定"}};
  std::size_t calls = 1;  // the session's start
  for (const auto& d : details) {
    HWND dialog = window.OpenDetail(d.button, d.caption);
    ASSERT_NE(dialog, nullptr) << U8(d.caption);
    Click(::GetDlgItem(dialog, IDC_HELP_BUTTON));
    ASSERT_TRUE(CallsReach(++calls));
    // The viewer has no owner: the dialog goes on as it was.
    EXPECT_TRUE(::IsWindowEnabled(dialog));
    Click(::GetDlgItem(dialog, IDCANCEL));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, kUiWaitMs));
  }
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));

  const std::string file = "\tcaller=none\tfile=" + HelpFile() + "\tdata=";
  EXPECT_EQ(Calls(), (std::vector<std::string>{"command=28" + file + "address", "command=15" + file + "14",
                                               "command=15" + file + "12", "command=29" + file + "24301"}));
}

TEST_F(HelpTest, AnExpandableRegistryPathIsExpanded) {
  std::wstring path = Recorder();
  wchar_t temp[MAX_PATH] = {};
  DWORD n = ::GetEnvironmentVariableW(L"TEMP", temp, ARRAYSIZE(temp));
  ASSERT_TRUE(n > 0 && n < ARRAYSIZE(temp));
  std::wstring folder = temp;
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  ASSERT_EQ(::_wcsnicmp(path.c_str(), folder.c_str(), folder.size()), 0);
  Register(L"%TEMP%" + path.substr(folder.size()), REG_EXPAND_SZ);

  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  EXPECT_TRUE(CallsReach(1));
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));
  EXPECT_EQ(Calls().size(), 2u);
}

TEST_F(HelpTest, ALibraryWithoutHtmlHelpMeansNoHelpForTheWholeRunAndNoMessage) {
  Register(CopyLibrary(L"hook_recorder\\tavrino_main.dll", library_.Path(), L"no_help.dll"));
  CTestProcess program = install_.Start();
  CConfigWindow window(program);
  ASSERT_NE(window.Hwnd(), nullptr);
  // The failure is remembered: a library registered now is not looked for.
  Register(Recorder());
  Click(window.Control(IDC_HELP_BUTTON));
  ::Sleep(1000);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(VisibleWindows(program.Id()), std::vector<HWND>{window.Hwnd()});
  Click(window.Control(IDCANCEL));
  ASSERT_TRUE(EndsWithZero(program));
  EXPECT_TRUE(Calls().empty());
}

TEST_F(HelpTest, WithoutTheHelpFileTheSystemLibraryShowsNothingAndOneBesideTheProgramIsNeverLoaded) {
  // Planted beside the program under the system library's name.
  CopyLibrary(L"help_recorder\\help_recorder.dll", folder_.Path(), L"hhctrl.ocx");
  struct {
    const char* what;
    const wchar_t* value;  // null: no value
  } const registrations[] = {{"a bare name", L"hhctrl.ocx"}, {"a missing file", L"C:\\nowhere\\hhctrl.ocx"}, {"none", nullptr}};
  for (const auto& r : registrations) {
    SCOPED_TRACE(r.what);
    if (r.value)
      Register(r.value);
    else
      DeleteRegistryValue(HelpRoot(), kHelpControlKey, nullptr);
    CTestProcess program = install_.Start();
    CConfigWindow window(program);
    ASSERT_NE(window.Hwnd(), nullptr);
    Click(window.Control(IDC_HELP_BUTTON));
    ::Sleep(1000);
    EXPECT_EQ(VisibleWindows(program.Id()), std::vector<HWND>{window.Hwnd()}) << "the program shows nothing of its own";
    Click(window.Control(IDCANCEL));
    ASSERT_TRUE(EndsWithZero(program));
    EXPECT_TRUE(Calls(folder_.Path()).empty());
  }
}

}  // namespace
