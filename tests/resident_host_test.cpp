// The resident host as the configuration program and the user meet it: real processes started with
// their command line, the prefix's named events, the settings file, and the message boxes under the
// test display. Beside the host runs the recording hook library, whose log tells what the host did.
#include <aclapi.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "events.h"
#include "errors.h"
#include "handles.h"
#include "hook_values.h"
#include "test_support.h"
#include "text.h"
#include "windows_probe.h"

namespace {

constexpr DWORD kWaitMs = 15000;
const std::wstring kBoxCaption = L"タブリノリネーム";

std::wstring UserName() {
  wchar_t name[257] = {};
  DWORD size = ARRAYSIZE(name);
  ::GetUserNameW(name, &size);
  return name;
}

struct CHookCall {
  std::string name;
  std::map<std::string, std::string> fields;
  std::string operator[](const std::string& key) const {
    auto it = fields.find(key);
    return it == fields.end() ? "(absent)" : it->second;
  }
};

// The error a named-object operation of this process meets, for the message the host must show.
DWORD OpenEventError(const wchar_t* name) {
  CHandle event(::OpenEventW(EVENT_ALL_ACCESS, FALSE, name));
  return event ? ERROR_SUCCESS : ::GetLastError();
}

DWORD CreateEventError(const wchar_t* name) {
  CHandle event(::CreateEventW(nullptr, FALSE, FALSE, name));
  return event ? ERROR_SUCCESS : ::GetLastError();
}

class ResidentHostTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The events belong to the whole prefix: a host left running would answer in place of ours.
    ASSERT_FALSE(NamedEventExists(kReadyEventName)) << "a resident host is already running";
    Install(install_.Path());
  }

  void Install(const std::wstring& folder) {
    folder_ = folder;
    CopyDeliverables(folder_, {L"tavrino_main.exe"});
    std::wstring recorder = JoinPath(TestDir(), L"hook_recorder\\tavrino_main.dll");
    ASSERT_TRUE(::CopyFileW(recorder.c_str(), JoinPath(folder_, L"tavrino_main.dll").c_str(), FALSE));
    std::wstring userdata = JoinPath(folder_, L"userdata");
    ::CreateDirectoryW(userdata.c_str(), nullptr);
    ::CreateDirectoryW(JoinPath(userdata, UserName()).c_str(), nullptr);
  }

  std::wstring Exe() const { return JoinPath(folder_, L"tavrino_main.exe"); }
  std::wstring IniPath() const { return JoinPath(folder_, L"userdata\\" + UserName() + L"\\tavrino.ini"); }
  void WriteSettings(const std::string& keys) const { WriteBytes(IniPath(), "[Default]\r\n" + keys); }
  void SetStartHookResults(const std::string& results) const {
    WriteBytes(JoinPath(folder_, L"hook_recorder_results.txt"), results);
  }
  void ForgetHookCalls() const { ::DeleteFileW(JoinPath(folder_, L"hook_recorder.log").c_str()); }

  std::vector<CHookCall> HookCalls() const {
    std::wstring log = JoinPath(folder_, L"hook_recorder.log");
    std::vector<CHookCall> calls;
    if (!PathExists(log)) return calls;
    std::istringstream lines(ReadBytes(log));
    for (std::string line; std::getline(lines, line);) {
      std::istringstream parts(line);
      CHookCall call;
      std::getline(parts, call.name, '\t');
      for (std::string field; std::getline(parts, field, '\t');) {
        std::size_t eq = field.find('=');
        call.fields[field.substr(0, eq)] = field.substr(eq + 1);
      }
      calls.push_back(call);
    }
    return calls;
  }

  std::vector<std::string> CallNames() const {
    std::vector<std::string> names;
    for (const CHookCall& call : HookCalls()) names.push_back(call.name);
    return names;
  }

  CTestProcess StartHost(const std::wstring& arguments = L"/START") const { return CTestProcess(Exe(), arguments); }

  // Ready is created at once and signalled when the hook and the monitor run.
  static ::testing::AssertionResult WaitReady(const CTestProcess& host) {
    bool exists = WaitUntil(
        [&] { return NamedEventExists(kReadyEventName) || ::WaitForSingleObject(host.Handle(), 0) == WAIT_OBJECT_0; },
        kWaitMs);
    CHandle ready = OpenNamedEvent(kReadyEventName);
    if (!exists || !ready) return ::testing::AssertionFailure() << "the host made no ready event";
    if (::WaitForSingleObject(ready.Get(), kWaitMs) != WAIT_OBJECT_0)
      return ::testing::AssertionFailure() << "ready was not signalled";
    return ::testing::AssertionSuccess();
  }

  static ::testing::AssertionResult EndsWithZero(const CTestProcess& host) {
    std::optional<DWORD> code = host.WaitForExit(kWaitMs);
    if (!code) return ::testing::AssertionFailure() << "the host is still running";
    if (*code != 0) return ::testing::AssertionFailure() << "exit code " << *code;
    return ::testing::AssertionSuccess();
  }

  // The one box the host shows now: ownerless, OK only, this text. Pressed afterwards.
  static void ExpectMessageAndClose(const CTestProcess& host, const std::wstring& text) {
    HWND box = WaitForMessageBox(host.Id(), kBoxCaption, kWaitMs);
    ASSERT_NE(box, nullptr) << "no message box; expected " << U8(text);
    EXPECT_EQ(U8(MessageBoxText(box)), U8(text));
    EXPECT_EQ(MessageBoxButtons(box), std::vector<int>{IDOK});
    EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr);
    EXPECT_EQ(FindMessageBoxes(host.Id(), kBoxCaption).size(), 1u);
    CloseMessageBox(box);
  }

  static void ExpectNoHostEvents() {
    EXPECT_FALSE(NamedEventExists(kReadyEventName));
    EXPECT_FALSE(NamedEventExists(kStopEventName));
    EXPECT_FALSE(NamedEventExists(kRestartEventName));
  }

  CTempDir install_{L"host"};
  std::wstring folder_;
};

using Names = std::vector<std::string>;

TEST_F(ResidentHostTest, StopEndsTheHostAfterOneStopHookOnTheHookThread) {
  WriteSettings(
      "EnableExplorerRenameExt=True\r\nRenameExt_FileNamePartSelectOrder=2,0\r\nRenameExt_ClearInTab=true\r\n"
      "ContextMenuExt_MenuItems=3,0,4\r\nDateFormat=%y.%m\r\nDateTimeConnectionString=2\r\n");
  CTestProcess host = StartHost();
  ASSERT_TRUE(WaitReady(host));
  ASSERT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook"}));
  CHookCall start = HookCalls()[1];
  EXPECT_EQ(start["result"], "1");
  EXPECT_EQ(start["EnableExplorerRenameExt"], "1");
  EXPECT_EQ(start["RenameExt_FileNamePartSelectOrder"], "2,0");
  EXPECT_EQ(start["RenameExt_FileNamePartCheckList"], "0,1,2");
  EXPECT_EQ(start["RenameExt_ClearInTab"], "1");
  EXPECT_EQ(start["ContextMenuExt_MenuItems"], "3,0,4");
  EXPECT_EQ(start["DateFormat"], "%y.%m");
  EXPECT_EQ(start["DateTimeConnectionString"], "2");
  EXPECT_EQ(start["IniFilePath"], U8(IniPath()));

  ASSERT_TRUE(SignalNamedEvent(kStopEventName));
  ASSERT_TRUE(EndsWithZero(host));
  std::vector<CHookCall> calls = HookCalls();
  ASSERT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook", "StopHook"}));
  EXPECT_EQ(calls[2]["unchanged"], "1");
  EXPECT_EQ(calls[0]["thread"], calls[1]["thread"]);
  EXPECT_EQ(calls[1]["thread"], calls[2]["thread"]);
  ExpectNoHostEvents();
}

TEST_F(ResidentHostTest, StopWaitingBeforeTheHostArmsStillEndsIt) {
  // The monitor's wait returns at once, racing the main thread to its message loop: the quit
  // message must not be lost on the way.
  CHandle stop = CreateNamedEvent(kStopEventName, false);
  ASSERT_TRUE(::SetEvent(stop.Get()));
  CTestProcess host = StartHost();
  ASSERT_TRUE(EndsWithZero(host));
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook", "StopHook"}));
}

TEST_F(ResidentHostTest, RestartReloadsTheFileAndSignalsReadyAgain) {
  WriteSettings("RenameExt_InsertDate=True\r\nDateFormat=%Y\r\n");
  CTestProcess host = StartHost();
  ASSERT_TRUE(WaitReady(host));
  WriteSettings("RenameExt_InsertDate=False\r\nDateFormat=%d/%m\r\nContextMenuExt_AddUnderbarOnDate=False\r\n");

  // Clear ready ourselves: only the next cycle's monitor can signal it again.
  CHandle ready = OpenNamedEvent(kReadyEventName);
  ASSERT_TRUE(ready);
  ::ResetEvent(ready.Get());
  ASSERT_TRUE(SignalNamedEvent(kRestartEventName));
  ASSERT_EQ(::WaitForSingleObject(ready.Get(), kWaitMs), WAIT_OBJECT_0);
  ready.Reset();

  std::vector<CHookCall> calls = HookCalls();
  ASSERT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook", "StopHook", "StartHook"}));
  EXPECT_EQ(calls[1]["RenameExt_InsertDate"], "1");
  EXPECT_EQ(calls[1]["DateFormat"], "%Y");
  EXPECT_EQ(calls[1]["ContextMenuExt_AddUnderbarOnDate"], "1");
  EXPECT_EQ(calls[2]["unchanged"], "1");
  EXPECT_EQ(calls[3]["RenameExt_InsertDate"], "0");
  EXPECT_EQ(calls[3]["DateFormat"], "%d/%m");
  EXPECT_EQ(calls[3]["ContextMenuExt_AddUnderbarOnDate"], "0");
  EXPECT_EQ(calls[3]["record"], calls[1]["record"]);
  EXPECT_EQ(calls[3]["thread"], calls[1]["thread"]);

  // The new cycle listens as the first did.
  ASSERT_TRUE(SignalNamedEvent(kStopEventName));
  ASSERT_TRUE(EndsWithZero(host));
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook", "StopHook", "StartHook", "StopHook"}));
  ExpectNoHostEvents();
}

TEST_F(ResidentHostTest, SettingsFileThatCannotBeReadOnRestartEndsWithoutSecondStopHook) {
  WriteSettings("DateFormat=%Y\r\n");
  CTestProcess host = StartHost();
  ASSERT_TRUE(WaitReady(host));
  {
    // Another program holds the file for itself; the host must not start the hook on defaults.
    CFileHandle locked(::CreateFileW(IniPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locked);
    ASSERT_TRUE(SignalNamedEvent(kRestartEventName));
    ASSERT_NO_FATAL_FAILURE(ExpectMessageAndClose(
        host, L"設定データのロード時にエラーが発生しました。\n【内容】" + SystemMessage(ERROR_SHARING_VIOLATION)));
    ASSERT_TRUE(EndsWithZero(host));
  }
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook", "StopHook"}));
  ExpectNoHostEvents();
}

TEST_F(ResidentHostTest, SettingsFileThatIsNotTextIsReportedAndNoHookStarts) {
  WriteSettings("");  // the folders
  WriteBytes(IniPath(), Utf16Bytes(L"[Default]\r\nDateFormat=%Y\r\n"));
  CTestProcess host = StartHost();
  ASSERT_NO_FATAL_FAILURE(ExpectMessageAndClose(host, L"設定データのロード時にエラーが発生しました。\n【内容】"
                                                      L"設定ファイルが読み取れる形式ではありません。\n【パス】" +
                                                          IniPath()));
  ASSERT_TRUE(EndsWithZero(host));
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController"}));
  ExpectNoHostEvents();
}

TEST_F(ResidentHostTest, SettingsFileHeldForAMomentAtStartIsLoadedOnceReleased) {
  // As a backup or antivirus tool does at logon: the file is held for itself while the host starts.
  WriteSettings("DateFormat=%m%d\r\nRenameExt_InsertDate=True\r\n");
  CFileHandle locked(::CreateFileW(IniPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(locked);
  CTestProcess host = StartHost();
  // The controller is fetched right before the first load: from then on the host meets the lock.
  ASSERT_TRUE(WaitUntil([&] { return !HookCalls().empty(); }, kWaitMs));
  ::Sleep(500);
  EXPECT_TRUE(FindMessageBoxes(host.Id(), kBoxCaption).empty()) << "a moment's lock is no failed load";
  locked.Reset();

  ASSERT_TRUE(WaitReady(host));
  std::vector<CHookCall> calls = HookCalls();
  ASSERT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook"}));
  EXPECT_EQ(calls[1]["DateFormat"], "%m%d") << "the user's settings, not the defaults";
  EXPECT_EQ(calls[1]["RenameExt_InsertDate"], "1");
  ASSERT_TRUE(SignalNamedEvent(kStopEventName));
  ASSERT_TRUE(EndsWithZero(host));
}

TEST_F(ResidentHostTest, SettingsPathTooLongForTheSystemEndsWithLoadMessage) {
  // An install folder whose programs still fit the classic path limit but whose settings file does not.
  std::wstring deep = install_.Path();
  std::size_t settingsTail = std::wstring(L"\\userdata\\" + UserName() + L"\\tavrino.ini").size();
  std::size_t wanted = kMaxPathUnits - settingsTail + 4;
  ASSERT_LT(wanted + std::wstring(L"\\tavrino_main.exe").size(), kMaxPathUnits);
  while (deep.size() < wanted) {
    deep = JoinPath(deep, std::wstring(std::min<std::size_t>(100, wanted - deep.size() - 1), L'd'));
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
  }
  ASSERT_NO_FATAL_FAILURE(Install(deep));

  CTestProcess host = StartHost();
  ASSERT_NO_FATAL_FAILURE(ExpectMessageAndClose(
      host, L"設定データのロード時にエラーが発生しました。\n【内容】パスが長すぎます。\n【パス】" + IniPath()));
  ASSERT_TRUE(EndsWithZero(host));
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController"}));
  ExpectNoHostEvents();
}

TEST_F(ResidentHostTest, StartHookThatDoesNotReturnOneEndsWithoutStopHook) {
  for (const char* result : {"0", "2"}) {
    SCOPED_TRACE(result);
    SetStartHookResults(result);
    ForgetHookCalls();
    CTestProcess host = StartHost();
    HWND box = WaitForMessageBox(host.Id(), kBoxCaption, kWaitMs);
    ASSERT_NE(box, nullptr);
    // What the configuration program sees meanwhile: a host exists but never became ready.
    CHandle ready = OpenNamedEvent(kReadyEventName);
    ASSERT_TRUE(ready);
    EXPECT_FALSE(IsEventSignalled(ready.Get()));
    ready.Reset();
    ASSERT_NO_FATAL_FAILURE(ExpectMessageAndClose(host, L"フックを開始できませんでした。"));
    ASSERT_TRUE(EndsWithZero(host));
    EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook"}));
    ExpectNoHostEvents();
  }

  // The same on a restart: the first cycle's hook was stopped, the failed one is not.
  SetStartHookResults("1,0");
  ForgetHookCalls();
  CTestProcess host = StartHost();
  ASSERT_TRUE(WaitReady(host));
  ASSERT_TRUE(SignalNamedEvent(kRestartEventName));
  ASSERT_NO_FATAL_FAILURE(ExpectMessageAndClose(host, L"フックを開始できませんでした。"));
  ASSERT_TRUE(EndsWithZero(host));
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook", "StopHook", "StartHook"}));
  ExpectNoHostEvents();
}

TEST_F(ResidentHostTest, SecondStartEndsSilentlyWhateverItsArguments) {
  CTestProcess first = StartHost();
  ASSERT_TRUE(WaitReady(first));
  for (const wchar_t* arguments : {L"/START", L"", L"/start", L"anything else"}) {
    SCOPED_TRACE(U8(arguments));
    CTestProcess second = StartHost(arguments);
    // A message box would keep it from ending.
    EXPECT_TRUE(EndsWithZero(second));
  }
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook"}));

  CHandle ready = OpenNamedEvent(kReadyEventName);
  ASSERT_TRUE(ready);
  EXPECT_TRUE(IsEventSignalled(ready.Get()));
  ready.Reset();
  ASSERT_TRUE(SignalNamedEvent(kStopEventName));
  ASSERT_TRUE(EndsWithZero(first));
}

TEST_F(ResidentHostTest, CommandLineOtherThanExactlyStartIsRejected) {
  for (const wchar_t* arguments : {L"/start", L"/START ", L"", L"/START /START", L"START", L"\"/START\""}) {
    SCOPED_TRACE("arguments: [" + U8(arguments) + "]");
    CTestProcess host = StartHost(arguments);
    ASSERT_NO_FATAL_FAILURE(ExpectMessageAndClose(
        host, L"アプリケーションの初期化時にエラーが発生しました。\n【内容】"
              L"このプログラムは直接起動せずに、tavrino.exeから起動してください。"));
    ASSERT_TRUE(EndsWithZero(host));
    EXPECT_FALSE(NamedEventExists(kReadyEventName));
  }
  EXPECT_EQ(CallNames(), Names{});
}

TEST_F(ResidentHostTest, ReadyNameTakenByAnotherKindOfObjectEndsWithReadyMessage) {
  CHandle squatter(::CreateMutexW(nullptr, FALSE, kReadyEventName));
  ASSERT_TRUE(squatter);
  DWORD error = OpenEventError(kReadyEventName);
  ASSERT_NE(error, ERROR_SUCCESS);
  ASSERT_NE(error, ERROR_FILE_NOT_FOUND);

  CTestProcess host = StartHost();
  ASSERT_NO_FATAL_FAILURE(
      ExpectMessageAndClose(host, L"Readyイベントの作成時にエラーが発生しました。\n【内容】" + SystemMessage(error)));
  ASSERT_TRUE(EndsWithZero(host));
  EXPECT_EQ(CallNames(), Names{});
}

TEST_F(ResidentHostTest, MonitorThatCannotCreateItsEventsLetsTheCycleTimeOut) {
  CHandle squatter(::CreateMutexW(nullptr, FALSE, kRestartEventName));
  ASSERT_TRUE(squatter);
  DWORD error = CreateEventError(kRestartEventName);
  ASSERT_NE(error, ERROR_SUCCESS);

  CTestProcess host = StartHost();
  // The monitor's box, then after 5 s the main thread's: both are on screen.
  std::vector<HWND> boxes = WaitForMessageBoxes(host.Id(), kBoxCaption, 2, 3 * kWaitMs);
  ASSERT_EQ(boxes.size(), 2u);
  // A box is listed before its message is drawn: the two are told apart by their texts.
  WaitUntil([&] { return !MessageBoxText(boxes[0]).empty() && !MessageBoxText(boxes[1]).empty(); }, kWaitMs);
  std::wstring timeout = L"イベント監視の準備処理がタイムアウトしました。";
  std::wstring created = L"イベントオブジェクトの作成時にエラーが発生しました。\n【内容】" + SystemMessage(error);
  HWND mainBox = MessageBoxText(boxes[0]) == timeout ? boxes[0] : boxes[1];
  HWND monitorBox = mainBox == boxes[0] ? boxes[1] : boxes[0];
  EXPECT_EQ(U8(MessageBoxText(mainBox)), U8(timeout));
  EXPECT_EQ(U8(MessageBoxText(monitorBox)), U8(created));
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook"}));

  // Ending the main thread's box ends the process; the monitor's box goes with it.
  CloseMessageBox(mainBox);
  ASSERT_TRUE(EndsWithZero(host));
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook", "StopHook"}));
}

TEST_F(ResidentHostTest, ReadyEventDeniedToTheNextMonitorStopsTheHookAndEnds) {
  CTestProcess host = StartHost();
  ASSERT_TRUE(WaitReady(host));
  {
    // Another program takes every right on the ready event away; the next monitor cannot open it.
    CHandle ready(::OpenEventW(WRITE_DAC, FALSE, kReadyEventName));
    ASSERT_TRUE(ready);
    ACL empty;
    ASSERT_TRUE(::InitializeAcl(&empty, sizeof empty, ACL_REVISION));
    ASSERT_EQ(::SetSecurityInfo(ready.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &empty,
                                nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
  }
  DWORD error = OpenEventError(kReadyEventName);
  ASSERT_NE(error, ERROR_SUCCESS);

  ASSERT_TRUE(SignalNamedEvent(kRestartEventName));
  ASSERT_NO_FATAL_FAILURE(
      ExpectMessageAndClose(host, L"Readyイベントの操作時にエラーが発生しました。\n【内容】" + SystemMessage(error)));
  ASSERT_TRUE(EndsWithZero(host));
  EXPECT_EQ(CallNames(), (Names{"GetTavrinoHookController", "StartHook", "StopHook", "StartHook", "StopHook"}));
}

TEST_F(ResidentHostTest, ShippedHookLibraryRunsAndStops) {
  CTempDir shipped(L"shipped");
  CopyDeliverables(shipped.Path(), {L"tavrino_main.exe", L"tavrino_main.dll"});
  std::wstring exe = shipped / L"tavrino_main.exe";
  // Blanks before the argument are the entry point's to drop.
  CTestProcess host = CTestProcess::WithCommandLine(exe, L"\"" + exe + L"\"   /START");
  ASSERT_TRUE(WaitReady(host));
  ASSERT_TRUE(SignalNamedEvent(kStopEventName));
  ASSERT_TRUE(EndsWithZero(host));
  ExpectNoHostEvents();
}

TEST_F(ResidentHostTest, ShippedHookLibraryNeverRunsOnValuesAnotherProgramMade) {
  CTempDir shipped(L"shipped");
  CopyDeliverables(shipped.Path(), {L"tavrino_main.exe", L"tavrino_main.dll"});
  // A meddling program took the name first, with bytes of its own: every counter odd.
  CHandle squatter(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(CSharedBlock),
                                        kHookValuesMappingName));
  ASSERT_TRUE(squatter);
  {
    CMappedView view(::MapViewOfFile(squatter.Get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(view);
    std::memset(view.Get(), 0x01, sizeof(CSharedBlock));
  }
  CTestProcess host(shipped / L"tavrino_main.exe", L"/START");
  ASSERT_NO_FATAL_FAILURE(ExpectMessageAndClose(host, L"フックを開始できませんでした。"));
  ASSERT_TRUE(EndsWithZero(host));
  ExpectNoHostEvents();
}

}  // namespace
