// The keyboard extension end to end: the real resident host runs the real hook library from an
// install folder of the test's own, and this process plays Explorer: an Edit inside a DirectUIHWND
// window, keys typed through SendInput, text and selection read back.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "date_stamp.h"
#include "events.h"
#include "handles.h"
#include "rename_box.h"
#include "test_support.h"
#include "text.h"
#include "windows_probe.h"

namespace {

constexpr DWORD kWaitMs = 15000;
constexpr wchar_t kName[] = L"|report 2024.txt";

std::wstring UserName() {
  wchar_t name[257] = {};
  DWORD size = ARRAYSIZE(name);
  ::GetUserNameW(name, &size);
  return name;
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  bool extended = vk == VK_HOME || vk == VK_END || vk == VK_INSERT;
  in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return in;
}

// Presses `vk` with the given modifiers held, then lets everything go.
void Press(WORD vk, std::initializer_list<WORD> held = {}) {
  std::vector<INPUT> inputs;
  for (WORD m : held) inputs.push_back(KeyInput(m, false));
  inputs.push_back(KeyInput(vk, false));
  inputs.push_back(KeyInput(vk, true));
  for (auto m = std::rbegin(held); m != std::rend(held); ++m) inputs.push_back(KeyInput(*m, true));
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Types one character the way an input method does, whatever the keyboard layout.
void Type(wchar_t c) {
  INPUT in[2] = {};
  for (INPUT& i : in) {
    i.type = INPUT_KEYBOARD;
    i.ki.wScan = c;
    i.ki.dwFlags = KEYEVENTF_UNICODE;
  }
  in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  ::SendInput(2, in, sizeof(INPUT));
}

// Presses `vk` once for each state, and the box must show that state before the next press.
::testing::AssertionResult PressEach(const CBoxWindow& box, WORD vk, const std::vector<std::wstring>& states) {
  for (const std::wstring& state : states) {
    Press(vk);
    ::testing::AssertionResult shown = box.Shows(state);
    if (!shown) return shown;
  }
  return ::testing::AssertionSuccess();
}

std::wstring StampNow(const wchar_t* format) {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  CDateStamp stamp = MakeDateStamp(format, StampTimeOf(now));
  return stamp.text;
}

// What a box shows after a stamp went in between two readings of the clock.
std::vector<std::wstring> WithStamp(const std::wstring& before, const std::wstring& after,
                                    const std::function<std::wstring(const std::wstring&)>& show) {
  return {show(before), show(after)};
}

void PutOnClipboard(const std::wstring& text) {
  CClipboard clipboard(nullptr);
  ASSERT_TRUE(clipboard.IsOpen());
  ::EmptyClipboard();
  CGlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
  ASSERT_TRUE(block);
  {
    CGlobalLock lock(block.Get());
    std::wmemcpy(static_cast<wchar_t*>(lock.Get()), text.c_str(), text.size() + 1);
  }
  ASSERT_TRUE(::SetClipboardData(CF_UNICODETEXT, block.Get()));
  block.Detach();
}

class RenameEditTest : public ::testing::Test {
protected:
  // One install folder for the program: once hooked, this process keeps the library loaded from it.
  static void SetUpTestSuite() {
    install_ = new CTempDir(L"keys");
    CopyDeliverables(install_->Path(), {L"tavrino_main.exe", L"tavrino_main.dll"});
    std::wstring userdata = JoinPath(install_->Path(), L"userdata");
    ::CreateDirectoryW(userdata.c_str(), nullptr);
    ::CreateDirectoryW(JoinPath(userdata, UserName()).c_str(), nullptr);
  }
  static void TearDownTestSuite() {
    delete install_;
    install_ = nullptr;
  }

  void SetUp() override {
    ASSERT_FALSE(NamedEventExists(kReadyEventName)) << "a resident host is already running";
    ASSERT_TRUE(box_.Created());
  }

  void TearDown() override {
    if (host_) {
      SignalNamedEvent(kStopEventName);
      host_->WaitForExit(kWaitMs);
      host_.reset();
    }
  }

  static std::wstring IniPath() {
    return JoinPath(install_->Path(), L"userdata\\" + UserName() + L"\\tavrino.ini");
  }
  static void WriteSettings(const std::string& keys) {
    WriteBytes(IniPath(), "[Default]\r\nEnableExplorerRenameExt=True\r\n" + keys);
  }

  ::testing::AssertionResult StartHost(const std::string& keys) {
    WriteSettings(keys);
    host_ = std::make_unique<CTestProcess>(JoinPath(install_->Path(), L"tavrino_main.exe"), L"/START");
    bool ready = WaitUntil(
        [&] {
          CHandle event = OpenNamedEvent(kReadyEventName);
          return event && IsEventSignalled(event.Get());
        },
        kWaitMs);
    if (!ready) return ::testing::AssertionFailure() << "the host did not become ready";
    return box_.Activate();
  }

  // What the configuration program does when the user presses OK with the host running.
  ::testing::AssertionResult RestartHost(const std::string& keys) {
    WriteSettings(keys);
    CHandle ready = OpenNamedEvent(kReadyEventName);
    if (!ready) return ::testing::AssertionFailure() << "no host runs";
    ::ResetEvent(ready.Get());
    if (!SignalNamedEvent(kRestartEventName)) return ::testing::AssertionFailure() << "no restart event";
    if (::WaitForSingleObject(ready.Get(), kWaitMs) != WAIT_OBJECT_0)
      return ::testing::AssertionFailure() << "the host did not become ready again";
    return ::testing::AssertionSuccess();
  }

  ::testing::AssertionResult StopHost() {
    SignalNamedEvent(kStopEventName);
    std::optional<DWORD> code = host_->WaitForExit(kWaitMs);
    host_.reset();
    if (!code) return ::testing::AssertionFailure() << "the host did not end";
    return ::testing::AssertionSuccess();
  }

  static CTempDir* install_;
  std::unique_ptr<CTestProcess> host_;
  const CBoxWindow& box_ = CBoxWindow::Get(CBoxWindow::Place::ItemView);
};

CTempDir* RenameEditTest::install_ = nullptr;

TEST_F(RenameEditTest, F2CyclesTheNamePartsAndARestartBringsNewOrderIntoTheHookedBox) {
  ASSERT_TRUE(StartHost(""));
  box_.Set(kName);
  ASSERT_TRUE(PressEach(box_, VK_F2, {L"[report 2024].txt", L"report 2024[.txt]", L"[report 2024.txt]",
                                      L"[report 2024].txt"}));

  // This process already holds the library: the new values must reach it all the same.
  ASSERT_TRUE(RestartHost("RenameExt_FileNamePartSelectOrder=2,0,1\r\nRenameExt_FileNamePartCheckList=2,0\r\n"));
  box_.Set(kName);
  ASSERT_TRUE(PressEach(box_, VK_F2, {L"[report 2024.txt]", L"[report 2024].txt", L"[report 2024.txt]"}));
}

TEST_F(RenameEditTest, ExtensionWithoutItsPeriodInABoxTwoLevelsDown) {
  const CBoxWindow& nested = CBoxWindow::Get(CBoxWindow::Place::InsidePaneOfItemView);
  ASSERT_TRUE(nested.Created());
  ASSERT_TRUE(StartHost("RenameExt_SelectExceptPeriod=True\r\n"));
  ASSERT_TRUE(nested.Activate());
  nested.Set(L"[report 2024].txt");
  Press(VK_F2);
  ASSERT_TRUE(nested.Shows(L"report 2024.[txt]"));
  nested.Set(L"|.gitignore");
  Press(VK_F2);
  ASSERT_TRUE(nested.Shows(L"[.gitignore]"));
}

TEST_F(RenameEditTest, HomeAndEndWithAndWithoutASelection) {
  ASSERT_TRUE(StartHost("RenameExt_ExtendHomeEnd=True\r\nRenameExt_HomeEndInSelection=True\r\n"));
  box_.Set(L"rep|ort 2024.txt");
  ASSERT_TRUE(PressEach(box_, VK_END, {L"report 2024|.txt", L"report 2024.txt|", L"report 2024.txt|"}));
  ASSERT_TRUE(PressEach(box_, VK_HOME, {L"|report 2024.txt"}));

  box_.Set(L"re[port 20]24.txt");
  Press(VK_HOME);
  ASSERT_TRUE(box_.Shows(L"re|port 2024.txt"));
  box_.Set(L"re[port 20]24.txt");
  Press(VK_END);
  ASSERT_TRUE(box_.Shows(L"report 20|24.txt"));

  // Shift+End selects to the end as it always did.
  box_.Set(L"report |2024.txt");
  Press(VK_END, {VK_SHIFT});
  ASSERT_TRUE(box_.Shows(L"report [2024.txt]"));
}

TEST_F(RenameEditTest, InsertAndShiftInsertStampAndCtrlZTakesItBack) {
  ASSERT_TRUE(StartHost("RenameExt_InsertDate=True\r\nRenameExt_InsertDateTimeInShift=True\r\n"
                        "DateFormat=%Y%m%d\r\nDateTimeFormat=%Y%m%d-%H%M\r\n"));
  box_.Set(L"[report] 2024.txt");
  std::wstring before = StampNow(L"%Y%m%d");
  Press(VK_INSERT);
  ASSERT_TRUE(box_.Shows(WithStamp(before, StampNow(L"%Y%m%d"), [](auto s) { return s + L"| 2024.txt"; })));
  Press('Z', {VK_CONTROL});
  ASSERT_TRUE(box_.Shows(L"[report] 2024.txt"));

  box_.Set(L"report 2024|.txt");
  before = StampNow(L"%Y%m%d-%H%M");
  Press(VK_INSERT, {VK_SHIFT});
  ASSERT_TRUE(box_.Shows(
      WithStamp(before, StampNow(L"%Y%m%d-%H%M"), [](auto s) { return L"report 2024" + s + L"|.txt"; })));
}

TEST_F(RenameEditTest, ConnectorJoinsStampAndName) {
  ASSERT_TRUE(StartHost("RenameExt_InsertDate=True\r\nRenameExt_AddUnderbarOnDate=True\r\n"
                        "DateFormat=%Y%m%d\r\nDateTimeConnectionString=1\r\n"));
  box_.Set(kName);
  std::wstring before = StampNow(L"%Y%m%d");
  Press(VK_INSERT);
  ASSERT_TRUE(box_.Shows(WithStamp(before, StampNow(L"%Y%m%d"), [](auto s) { return s + L"-|report 2024.txt"; })));

  // An index the table lacks gives the first connector, as the context menu's date commands do.
  ASSERT_TRUE(RestartHost("RenameExt_InsertDate=True\r\nRenameExt_AddUnderbarOnDate=True\r\n"
                          "DateFormat=%Y\r\nDateTimeConnectionString=7\r\n"));
  box_.Set(L"report|.txt");
  before = StampNow(L"%Y");
  Press(VK_INSERT);
  ASSERT_TRUE(box_.Shows(WithStamp(before, StampNow(L"%Y"), [](auto s) { return L"report_" + s + L"|.txt"; })));
}

TEST_F(RenameEditTest, UnusableFormatInsertsNothingAndShiftInsertPastesWhenNotAsked) {
  ASSERT_TRUE(StartHost("RenameExt_InsertDate=True\r\nDateFormat=%Y/%m/%d\r\n"));
  box_.Set(kName);
  Press(VK_INSERT);
  Type(L'x');  // arrives after the Insert key: once it shows, the Insert key has been dealt with
  ASSERT_TRUE(box_.Shows(L"x|report 2024.txt"));

  ASSERT_NO_FATAL_FAILURE(PutOnClipboard(L"clip"));
  Press(VK_INSERT, {VK_SHIFT});
  ASSERT_TRUE(box_.Shows(L"xclip|report 2024.txt"));
}

TEST_F(RenameEditTest, TabErasesTheNameAndTheBoxKeepsTheFocus) {
  ASSERT_TRUE(StartHost("RenameExt_ClearInTab=True\r\n"));
  box_.Set(L"report| 2024.txt");
  Press(VK_TAB);
  ASSERT_TRUE(box_.Shows(L"|"));
  Type(L'a');
  ASSERT_TRUE(box_.Shows(L"a|"));
  Press('Z', {VK_CONTROL});
  ASSERT_TRUE(box_.Shows(L"[report 2024.txt]"));
}

TEST_F(RenameEditTest, EditOutsideAnItemViewOnlyWithTheAllEditsSwitch) {
  const CBoxWindow& plain = CBoxWindow::Get(CBoxWindow::Place::Alone);
  ASSERT_TRUE(plain.Created());
  ASSERT_TRUE(StartHost("RenameExt_ClearInTab=True\r\n"));
  ASSERT_TRUE(plain.Activate());
  plain.Set(kName);
  Press(VK_F2);
  Press(VK_TAB);
  Type(L'x');
  ASSERT_TRUE(plain.Shows(L"x|report 2024.txt"));

  ASSERT_TRUE(RestartHost("RenameExt_EnableExtAtAllEdit=True\r\n"));
  plain.Set(kName);
  Press(VK_F2);
  ASSERT_TRUE(plain.Shows(L"[report 2024].txt"));
}

TEST_F(RenameEditTest, PasswordBoxInsideAnItemViewIsLeftAlone) {
  ASSERT_TRUE(StartHost("RenameExt_ClearInTab=True\r\nRenameExt_InsertDate=True\r\nRenameExt_EnableExtAtAllEdit=True\r\n"));
  for (CBoxWindow::Place place : {CBoxWindow::Place::ItemView, CBoxWindow::Place::InsidePaneOfItemView}) {
    const CBoxWindow& password = CBoxWindow::Get(place, ES_PASSWORD);
    ASSERT_TRUE(password.Created());
    ASSERT_TRUE(password.Activate());
    password.Set(kName);
    Press(VK_TAB);
    Press(VK_INSERT);
    Press(VK_F2);
    Type(L'x');
    ASSERT_TRUE(password.Shows(L"x|report 2024.txt")) << static_cast<int>(place);
  }
}

TEST_F(RenameEditTest, AfterStopF2DoesNothingSpecial) {
  ASSERT_TRUE(StartHost(""));
  box_.Set(kName);
  Press(VK_F2);
  ASSERT_TRUE(box_.Shows(L"[report 2024].txt"));

  ASSERT_TRUE(StopHost());
  box_.Set(kName);
  Press(VK_F2);
  Type(L'x');
  ASSERT_TRUE(box_.Shows(L"x|report 2024.txt"));
}

}  // namespace
