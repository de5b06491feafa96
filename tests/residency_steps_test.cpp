// The configuration program's registration and host steps driven in this process: the classic
// registration in the real registry, hosts as real processes, the prefix's named events. Windows
// 11's package deployment is played by a recording stand-in (Wine has none, its powershell.exe is
// a stub, and it cannot report a Windows 11 build); the real runner meets Wine's stub as well.
#include <windows.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "config_app.h"
#include "config_dlg.h"
#include "config_program.h"
#include "errors.h"
#include "events.h"
#include "package_identity.h"
#include "package_registration.h"
#include "package_state.h"
#include "settings.h"
#include "shell_ext_controller.h"
#include "test_support.h"
#include "text.h"

// The export the program imports from the extension's library, made here from the library's core:
// the classic registration is the real one, for this test program.
extern "C" IShellExtController* GetShellExtController() {
  static CShellExtController controller(nullptr);
  return &controller;
}

namespace {

constexpr DWORD kWindows11 = 22631;
constexpr DWORD kWindows10 = 19045;
const std::wstring kStubReason = L"PowerShellは終了コード0x00000000で終了しましたが、パッケージはこのフォルダに登録されていません。";

std::vector<std::wstring> Arguments(const std::wstring& commandLine) {
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(commandLine.c_str(), &count);
  std::vector<std::wstring> arguments(argv, argv + count);
  ::LocalFree(argv);
  return arguments;
}

// Plays Windows 11's deployment: records each PowerShell run with whether the classic handler was
// registered at that moment, and, when it obeys, registers or removes as the command line says.
class CRecordingDeployment final : public IPackageDeployment {
public:
  struct CCall {
    std::wstring program, commandLine;
    DWORD timeoutMs;
    bool classicRegistered;
  };
  CProgramRun Run(const std::wstring& program, const std::wstring& commandLine, DWORD timeoutMs) override {
    calls.push_back({program, commandLine, timeoutMs, IsExtensionRegistered()});
    if (!obeys) return result;
    if (commandLine.find(L"Add-AppxPackage") != std::wstring::npos)
      registered = folder;
    else
      registered.reset();
    return {CProgramRun::CEnd::Exited, 0, L""};
  }
  std::optional<std::wstring> RegisteredFolder() override { return registered; }

  std::wstring folder;
  std::optional<std::wstring> registered;
  bool obeys = true;
  CProgramRun result{CProgramRun::CEnd::Exited, 0, L""};  // a run that does not obey: Wine's stub
  std::vector<CCall> calls;
};

class PackageRegistrationTest : public ::testing::Test {
protected:
  void SetUp() override {
    // PowerShell's quotes, blanks that must not collapse, and what a single-quoted literal keeps as it is.
    folder_ = root_ / L"It's  ‘$x`タブリノ’";
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
    WriteBytes(JoinPath(folder_, kPackageFileName), "the package");
    system_.folder = folder_;
  }
  std::optional<std::wstring> Update(bool on, DWORD build = kWindows11) {
    CPackageRegistration package(system_, build, folder_);
    return UpdateContextMenuRegistration(on, package);
  }

  CTempDir root_{L"package"};
  CResidencyGuard guard_{root_.Path()};
  std::wstring folder_;
  CRecordingDeployment system_;
};

TEST_F(PackageRegistrationTest, EnablingAddsAfterTheClassicHandlerAndDisablingRemovesBeforeIt) {
  EXPECT_EQ(Update(true), std::nullopt);
  ASSERT_EQ(system_.calls.size(), 1u);
  EXPECT_TRUE(system_.calls[0].classicRegistered);
  EXPECT_EQ(system_.calls[0].timeoutMs, 60000u);
  wchar_t systemFolder[MAX_PATH] = {};
  ::GetSystemDirectoryW(systemFolder, MAX_PATH);
  const std::wstring powershell = JoinPath(systemFolder, L"WindowsPowerShell\\v1.0\\powershell.exe");
  EXPECT_EQ(U8(system_.calls[0].program), U8(powershell));
  const std::wstring literal = L"'" + root_.Path() + L"\\It''s  ‘‘$x`タブリノ’’";
  std::vector<std::wstring> expected = {powershell, L"-NoProfile", L"-NonInteractive", L"-ExecutionPolicy",
                                        L"Bypass",  L"-Command"};
  std::vector<std::wstring> arguments = Arguments(system_.calls[0].commandLine);
  ASSERT_EQ(arguments.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::wstring>(arguments.begin(), arguments.end() - 1), expected);
  EXPECT_NE(arguments.back().find(L"Add-AppxPackage -Path " + literal + L"\\tavrino_contextmenu.msix' -ExternalLocation " +
                                  literal + L"'"),
            std::wstring::npos)
      << U8(arguments.back());
  EXPECT_EQ(system_.registered, folder_);
  EXPECT_FALSE(PowerShellCommandLine(powershell, L"'a\"b'")) << "a double quote would end the argument";

  EXPECT_EQ(Update(true), std::nullopt);
  EXPECT_EQ(system_.calls.size(), 1u) << "registered for this folder: nothing to do";

  EXPECT_EQ(Update(false), std::nullopt);
  ASSERT_EQ(system_.calls.size(), 2u);
  EXPECT_TRUE(system_.calls[1].classicRegistered) << "the package goes first";
  EXPECT_NE(system_.calls[1].commandLine.find(L"Get-AppxPackage -Name 'TavrinoRename.ContextMenu' | Remove-AppxPackage"),
            std::wstring::npos);
  EXPECT_FALSE(IsExtensionRegistered());
  EXPECT_EQ(Update(false), std::nullopt);
  EXPECT_EQ(system_.calls.size(), 2u) << "nothing registered: nothing to remove";
}

TEST_F(PackageRegistrationTest, NothingIsAttemptedOnWindows10OrWithoutThePackageFile) {
  EXPECT_EQ(Update(true, kWindows10), std::nullopt);
  EXPECT_TRUE(IsExtensionRegistered());
  system_.registered = L"C:\\elsewhere";
  EXPECT_EQ(Update(false, kWindows10), std::nullopt);
  ASSERT_TRUE(::DeleteFileW(JoinPath(folder_, kPackageFileName).c_str()));
  EXPECT_EQ(Update(true), std::nullopt);
  EXPECT_TRUE(system_.calls.empty());
}

TEST_F(PackageRegistrationTest, MovedFolderIsRemovedThenAddedAgain) {
  system_.registered = L"C:\\old place";
  EXPECT_EQ(Update(true), std::nullopt);
  ASSERT_EQ(system_.calls.size(), 2u);
  EXPECT_NE(system_.calls[0].commandLine.find(L"Remove-AppxPackage"), std::wstring::npos);
  EXPECT_NE(system_.calls[1].commandLine.find(L"Add-AppxPackage"), std::wstring::npos);
  EXPECT_EQ(system_.registered, folder_);
}

// What Windows 11's menu asked the command tree about belongs to one registration of the package:
// an addition starts it afresh, and another spelling of this folder is no reason to add again.
TEST_F(PackageRegistrationTest, AdditionForgetsWhatTheTreeWasAskedAndSpellingsOfTheFolderAreOne) {
  ASSERT_EQ(Update(true, kWindows10), std::nullopt);
  RecordTopLevelMenuAsked(CItemKind::Shortcut, folder_);
  ASSERT_TRUE(TopLevelMenuAskedIn(CItemKind::Shortcut));
  system_.registered = L"C:\\old place";
  EXPECT_EQ(Update(true), std::nullopt);
  ASSERT_EQ(system_.calls.size(), 2u);
  EXPECT_FALSE(TopLevelMenuAskedIn(CItemKind::Shortcut));

  RecordTopLevelMenuAsked(CItemKind::Shortcut, folder_);
  wchar_t shortName[MAX_PATH] = {};
  ASSERT_GT(::GetShortPathNameW(folder_.c_str(), shortName, MAX_PATH), 0u);
  std::wstring upper = folder_;
  ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  for (const std::wstring& spelling : {std::wstring(shortName), upper, folder_ + L"\\"}) {
    system_.registered = spelling;
    EXPECT_EQ(Update(true), std::nullopt) << U8(spelling);
  }
  EXPECT_EQ(system_.calls.size(), 2u) << "registered here already";
  EXPECT_TRUE(TopLevelMenuAskedIn(CItemKind::Shortcut));
}

TEST_F(PackageRegistrationTest, FailedAdditionIsToldOnceForOneCauseAndAgainWhenItChanges) {
  const std::wstring untrusted = L"信頼されたルート証明機関で証明書チェーンが終了しています。";
  using E = CProgramRun::CEnd;
  struct {
    bool obeys;
    CProgramRun run;
    std::optional<std::wstring> reason;  // told, with this reason; nothing: no box
  } const steps[] = {
      {false, {E::Exited, 0, L""}, kStubReason},
      {false, {E::Exited, 0, L""}, std::nullopt},
      {false, {E::Exited, 0x800B0109, untrusted + L" ActivityId 1"}, untrusted + L" ActivityId 1"},
      {false, {E::Exited, 0x800B0109, untrusted + L" ActivityId 2"}, std::nullopt},
      {false, {E::TimedOut, 0, L""}, L"PowerShellが60秒以内に終了しなかったため、処理を中止しました。"},
      {true, {}, std::nullopt},
      {false, {E::Exited, 0, L""}, kStubReason},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(&step - steps);
    system_.obeys = step.obeys;
    system_.result = step.run;
    system_.registered.reset();
    std::optional<std::wstring> notice = Update(true);
    EXPECT_TRUE(IsExtensionRegistered()) << "the classic menu stays";
    if (!step.reason) {
      EXPECT_EQ(notice, std::nullopt);
      continue;
    }
    EXPECT_EQ(U8(notice.value_or(L"")),
              U8(L"Windows 11の右クリックメニューにタブリノリネームの項目を追加できませんでした。\n【内容】" + *step.reason +
                 L"\n※パッケージに署名した証明書がこのPCで信頼されていない場合は、管理者がその証明書を"
                 L"「信頼されたユーザー」に登録すると追加できるようになります。\n"
                 L"※それまでは「その他のオプションを確認」で開くメニューから、これまでどおりご利用いただけます。"));
  }
  // What was told goes with the classic registration: after it, the same cause is told again.
  system_.registered.reset();
  EXPECT_EQ(Update(false), std::nullopt);
  EXPECT_NE(Update(true), std::nullopt);
}

TEST_F(PackageRegistrationTest, FailedRemovalIsAnErrorAfterTheClassicHandlerIsRemoved) {
  system_.registered = folder_;
  system_.obeys = false;
  ASSERT_NO_THROW(Update(true));
  try {
    Update(false);
    ADD_FAILURE() << "a package left registered was reported as removed";
  } catch (const std::exception& e) {
    EXPECT_EQ(U8(ErrorText(e)), "Windows 11の右クリックメニューからタブリノリネームの項目を削除できませんでした。\n【内容】"
                                "PowerShellは終了コード0x00000000で終了しましたが、パッケージは登録されたままです。");
  }
  EXPECT_FALSE(IsExtensionRegistered());
}

TEST_F(PackageRegistrationTest, WinesPowerShellStubIsNotTakenForSuccess) {
  // The real runner and the real question to Windows; only the build is Windows 11's.
  CSystemPackageDeployment system;
  CPackageRegistration package(system, kWindows11, folder_);
  std::optional<CPackageFailure> failure = package.Apply(true);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(U8(failure->reason), U8(kStubReason));
}

// Run by RunHiddenCapturesErrorOutputAndEndsAProgramThatOutlivesItsLimit as its child.
TEST(ChildProcess, DISABLED_WritesErrorOutput) {
  CHandle alive = CreateNamedEvent(L"TavrinoTest_ChildAlive", true);
  const std::string text = ToUtf8(L"証明書が信頼されていません。\r\n");
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  if (::GetEnvironmentVariableW(L"TAVRINO_CHILD_HANGS", nullptr, 0)) ::Sleep(60000);
  ::ExitProcess(0x800B0109);
}

TEST(RunHidden, CapturesErrorOutputAndEndsAProgramThatOutlivesItsLimit) {
  const std::wstring self = ModuleFileName(nullptr);
  const std::wstring commandLine =
      L"\"" + self + L"\" --gtest_also_run_disabled_tests --gtest_filter=ChildProcess.DISABLED_WritesErrorOutput";
  for (bool hangs : {false, true}) {
    SCOPED_TRACE(hangs ? "hangs" : "exits");
    ::SetEnvironmentVariableW(L"TAVRINO_CHILD_HANGS", hangs ? L"1" : nullptr);
    auto start = std::chrono::steady_clock::now();
    CProgramRun run = RunHidden(self, commandLine, 5000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(run.end, hangs ? CProgramRun::CEnd::TimedOut : CProgramRun::CEnd::Exited);
    if (!hangs) {
      EXPECT_EQ(run.code, 0x800B0109u);
    }
    EXPECT_EQ(U8(run.errorOutput), "証明書が信頼されていません。");
    EXPECT_FALSE(NamedEventExists(L"TavrinoTest_ChildAlive")) << "the child has ended";
  }
  ::SetEnvironmentVariableW(L"TAVRINO_CHILD_HANGS", nullptr);
  CProgramRun missing = RunHidden(JoinPath(TestDir(), L"absent.exe"), L"absent.exe", 5000);
  EXPECT_EQ(missing.end, CProgramRun::CEnd::NotStarted);
  EXPECT_EQ(missing.code, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// OK in the moment a running host is between two cycles: its restart event is absent, so a host is
// started, which finds the ready event and ends as a second instance.
class HostHandOverTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_FALSE(IsHostRunning()) << "a resident host is already running"; }

  std::future<std::wstring> StartHostInBackground() {
    return std::async(std::launch::async, [this] {
      try {
        dialog_.StartResidentProgram();
        return std::wstring();
      } catch (const std::exception& e) {
        return ErrorText(e);
      }
    });
  }

  CTempDir folder_{L"handover"};
  CConfigInstall install_{folder_.Path()};
  CResidencyGuard guard_{folder_.Path()};
  CConfigApp app_{folder_.Path(), L"user"};
  CSettings settings_;
  CConfigDlg dialog_{app_, settings_};
};

TEST_F(HostHandOverTest, HostBetweenCyclesIsToldToReloadOnceItListensAgain) {
  for (bool readyFromLastCycle : {true, false}) {
    SCOPED_TRACE(readyFromLastCycle ? "reloading" : "arming");
    // We play the running host: ready exists, the stop and restart events do not.
    CHandle ready = CreateNamedEvent(kReadyEventName, true);
    if (readyFromLastCycle) ::SetEvent(ready.Get());
    std::future<std::wstring> started = StartHostInBackground();
    EXPECT_EQ(started.wait_for(std::chrono::milliseconds(1500)), std::future_status::timeout)
        << "decided before the running host listened: " << U8(started.get());

    ::ResetEvent(ready.Get());
    CHandle stop = CreateNamedEvent(kStopEventName, false);
    CHandle restart = CreateNamedEvent(kRestartEventName, false);
    ::SetEvent(ready.Get());
    EXPECT_EQ(::WaitForSingleObject(restart.Get(), 15000), WAIT_OBJECT_0) << "the saved settings must reach it";
    EXPECT_EQ(U8(started.get()), "");
    EXPECT_TRUE(HostProcesses(folder_.Path()).empty());
    EXPECT_TRUE(install_.HookCalls().empty()) << "ours ended as a second instance";
  }
}

TEST_F(HostHandOverTest, HostThatNeverListensAgainIsReportedAfterTheLimit) {
  CHandle ready = CreateNamedEvent(kReadyEventName, true);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(U8(StartHostInBackground().get()), U8(install_.HostPath() + L"を正常に起動できませんでした。"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
}

}  // namespace
