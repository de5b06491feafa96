// The configuration program's registration and host steps driven in this process: the classic
// registration in the real registry, hosts as real processes, the prefix's named events. Windows
// 11's package deployment is played by a recording stand-in (Wine has none, its powershell.exe is
// a stub, and it cannot report a Windows 11 build); the real runner meets Wine's stub as well.
#include <windows.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cwchar>
#include <future>
#include <regex>
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
constexpr wchar_t kStubReason[] = L"PowerShellは終了コード0x00000000で終了しましたが、パッケージはこのフォルダに登録されていません。";

std::vector<std::wstring> Arguments(const std::wstring& commandLine) {
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(commandLine.c_str(), &count);
  std::vector<std::wstring> arguments(argv, argv + count);
  ::LocalFree(argv);
  return arguments;
}

// A full name of our package, and one of a package of the same name signed by someone else.
std::wstring FullName(bool ours) {
  const std::wstring publisherId = std::wstring(kPackageFamilyName).substr(std::wcslen(kPackageName) + 1);
  return std::wstring(kPackageName) + L"_2.1.2.0_x64__" + (ours ? publisherId : L"0a1b2c3d4e5f6");
}

// What a script passes after `prefix`: a single-quoted literal read back.
std::vector<std::wstring> LiteralsAfter(const std::wstring& script, const std::wstring& prefix) {
  std::vector<std::wstring> literals;
  for (std::size_t at = script.find(prefix + L"'"); at != std::wstring::npos; at = script.find(prefix + L"'", at)) {
    std::wstring text;
    for (at += prefix.size() + 1; at < script.size() && !(script[at] == L'\'' && script[at + 1] != L'\''); ++at)
      text += script[at] == L'\'' ? script[++at] : script[at];
    literals.push_back(text);
  }
  return literals;
}

// Plays Windows 11's deployment: records each PowerShell run with whether the classic handler was
// registered at that moment. Obeying, it adds our package or removes the packages the script names
// by full name, at once or, for a deployment that outlives PowerShell, after `lateBy` pauses. Not
// obeying, it ends as `result` says, its error handler writing `message` to the file the script
// names as Set-Content -Encoding UTF8 writes it.
class CRecordingDeployment final : public IPackageDeployment {
public:
  struct CCall {
    std::wstring program, commandLine;
    DWORD timeoutMs;
    bool classicRegistered;
  };
  CProgramRun Run(const std::wstring& program, const std::wstring& commandLine, DWORD timeoutMs) override {
    calls.push_back({program, commandLine, timeoutMs, IsExtensionRegistered()});
    if (!obeys) {
      if (!message.empty())
        WriteBytes(LiteralsAfter(commandLine, L"Set-Content -LiteralPath ").at(0),
                   "\xEF\xBB\xBF" + ToUtf8(message) + "\r\n");
      return result;
    }
    pending = commandLine;
    if (lateBy == 0) Deploy();
    return lateBy == 0 ? CProgramRun{CProgramRun::CEnd::Exited, 0, L""} : result;
  }
  std::optional<std::wstring> RegisteredFolder() override {
    for (const auto& [name, where] : packages)
      if (name == FullName(true)) return where;
    return std::nullopt;
  }
  std::vector<std::wstring> RegisteredPackages() override {
    return RegisteredFolder() ? std::vector{FullName(true)} : std::vector<std::wstring>{};
  }
  void Pause(DWORD ms) override {
    pauses.push_back(ms);
    if (pauses.size() == lateBy) Deploy();
  }

  void Deploy() {
    if (pending.find(L"Add-AppxPackage") != std::wstring::npos) packages.emplace_back(FullName(true), folder);
    for (const std::wstring& name : LiteralsAfter(pending, L"Remove-AppxPackage -Package "))
      std::erase_if(packages, [&](const auto& package) { return package.first == name; });
  }
  void Register(const std::wstring& where) { packages = {{FullName(true), where}}; }

  std::wstring folder;
  std::vector<std::pair<std::wstring, std::wstring>> packages;  // full name, folder
  bool obeys = true;
  std::size_t lateBy = 0;
  CProgramRun result{CProgramRun::CEnd::Exited, 0, L""};  // a run that does not obey: Wine's stub
  std::wstring message;
  std::wstring pending;
  std::vector<CCall> calls;
  std::vector<DWORD> pauses;
};

// Under Constrained Language Mode a script may not name a .NET type or call a method on one.
void ExpectNoMethodCalls(const std::wstring& script) {
  const std::wstring code = std::regex_replace(script, std::wregex(L"'([^']|'')*'"), L"''");
  EXPECT_FALSE(std::regex_search(code, std::wregex(L"\\[|::|\\.\\w+\\s*\\("))) << U8(script);
}

class PackageRegistrationTest : public ::testing::Test {
protected:
  void SetUp() override {
    // PowerShell's quotes, blanks that must not collapse, what a single-quoted literal keeps as it
    // is, and what a wildcard parameter would expand.
    folder_ = root_ / L"It's  ‘$x`タブリノ’[1]";
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
    WriteBytes(JoinPath(folder_, kPackageFileName), "the package");
    system_.folder = folder_;
  }
  std::optional<std::wstring> Update(bool on, DWORD build = kWindows11) {
    CPackageRegistration package(system_, build, folder_);
    return UpdateContextMenuRegistration(on, package);
  }
  static std::wstring Notice(const std::wstring& reason) {
    return L"Windows 11の右クリックメニューにタブリノリネームの項目を追加できませんでした。\n【内容】" + reason +
           L"\n※パッケージに署名した証明書がこのPCで信頼されていない場合は、管理者がその証明書を"
           L"「信頼されたユーザー」に登録すると追加できるようになります。\n"
           L"※それまでは「その他のオプションを確認」で開くメニューから、これまでどおりご利用いただけます。";
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
  // -Path expands wildcards: escaped with backticks; -ExternalLocation takes the folder as it is.
  const std::wstring escaped = L"'" + root_.Path() + L"\\It''s  ‘‘$x``タブリノ’’`[1`]";
  const std::wstring literal = L"'" + root_.Path() + L"\\It''s  ‘‘$x`タブリノ’’[1]";
  std::vector<std::wstring> expected = {powershell, L"-NoProfile", L"-NonInteractive", L"-ExecutionPolicy",
                                        L"Bypass",  L"-Command"};
  std::vector<std::wstring> arguments = Arguments(system_.calls[0].commandLine);
  ASSERT_EQ(arguments.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::wstring>(arguments.begin(), arguments.end() - 1), expected);
  EXPECT_NE(arguments.back().find(L"Add-AppxPackage -Path " + escaped + L"\\tavrino_contextmenu.msix' -ExternalLocation " +
                                  literal + L"'"),
            std::wstring::npos)
      << U8(arguments.back());
  ExpectNoMethodCalls(arguments.back());
  EXPECT_EQ(system_.RegisteredFolder(), folder_);
  EXPECT_FALSE(PowerShellCommandLine(powershell, L"'a\"b'")) << "a double quote would end the argument";
  EXPECT_EQ(U8(PowerShellWildcardLiteral(L"a[1]*?`'b")), U8(L"'a`[1`]`*`?``''b'"));

  EXPECT_EQ(Update(true), std::nullopt);
  EXPECT_EQ(system_.calls.size(), 1u) << "registered for this folder: nothing to do";

  // Only our family's package goes, by its full name; one of the same name from another publisher stays.
  system_.packages.emplace_back(FullName(false), L"C:\\their release");
  EXPECT_EQ(Update(false), std::nullopt);
  ASSERT_EQ(system_.calls.size(), 2u);
  EXPECT_TRUE(system_.calls[1].classicRegistered) << "the package goes first";
  arguments = Arguments(system_.calls[1].commandLine);
  EXPECT_EQ(LiteralsAfter(arguments.back(), L"Remove-AppxPackage -Package "), std::vector{FullName(true)});
  EXPECT_EQ(arguments.back().find(L"AppxPackage -Name"), std::wstring::npos) << U8(arguments.back());
  ExpectNoMethodCalls(arguments.back());
  EXPECT_EQ(system_.packages.size(), 1u);
  EXPECT_FALSE(IsExtensionRegistered());
  EXPECT_EQ(Update(false), std::nullopt);
  EXPECT_EQ(system_.calls.size(), 2u) << "nothing of ours registered: nothing to remove";
}

TEST_F(PackageRegistrationTest, NothingIsAttemptedOnWindows10OrWithoutThePackageFile) {
  EXPECT_EQ(Update(true, kWindows10), std::nullopt);
  EXPECT_TRUE(IsExtensionRegistered());
  system_.Register(L"C:\\elsewhere");
  EXPECT_EQ(Update(false, kWindows10), std::nullopt);
  ASSERT_TRUE(::DeleteFileW(JoinPath(folder_, kPackageFileName).c_str()));
  EXPECT_EQ(Update(true), std::nullopt);
  EXPECT_TRUE(system_.calls.empty());
}

TEST_F(PackageRegistrationTest, MovedFolderIsRemovedThenAddedAgain) {
  system_.Register(L"C:\\old place");
  EXPECT_EQ(Update(true), std::nullopt);
  ASSERT_EQ(system_.calls.size(), 2u);
  EXPECT_NE(system_.calls[0].commandLine.find(L"Remove-AppxPackage"), std::wstring::npos);
  EXPECT_NE(system_.calls[1].commandLine.find(L"Add-AppxPackage"), std::wstring::npos);
  EXPECT_EQ(system_.RegisteredFolder(), folder_);
}

// What Windows 11's menu asked the command tree about belongs to one registration of the package:
// an addition starts it afresh, and another spelling of this folder is no reason to add again.
TEST_F(PackageRegistrationTest, AdditionForgetsWhatTheTreeWasAskedAndSpellingsOfTheFolderAreOne) {
  ASSERT_EQ(Update(true, kWindows10), std::nullopt);
  RecordTopLevelMenuAsked(CItemKind::Shortcut, folder_);
  ASSERT_TRUE(TopLevelMenuAskedIn(CItemKind::Shortcut));
  system_.Register(L"C:\\old place");
  EXPECT_EQ(Update(true), std::nullopt);
  ASSERT_EQ(system_.calls.size(), 2u);
  EXPECT_FALSE(TopLevelMenuAskedIn(CItemKind::Shortcut));

  RecordTopLevelMenuAsked(CItemKind::Shortcut, folder_);
  wchar_t shortName[MAX_PATH] = {};
  ASSERT_GT(::GetShortPathNameW(folder_.c_str(), shortName, MAX_PATH), 0u);
  std::wstring upper = folder_;
  ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  for (const std::wstring& spelling : {std::wstring(shortName), upper, folder_ + L"\\"}) {
    system_.Register(spelling);
    EXPECT_EQ(Update(true), std::nullopt) << U8(spelling);
  }
  EXPECT_EQ(system_.calls.size(), 2u) << "registered here already";
  EXPECT_TRUE(TopLevelMenuAskedIn(CItemKind::Shortcut));
}

TEST_F(PackageRegistrationTest, FailedAdditionIsToldOnceForOneCauseAndAgainWhenItChanges) {
  using E = CProgramRun::CEnd;
  struct {
    bool obeys;
    E end;
    DWORD code;
    const wchar_t* errorOutput;  // what PowerShell writes itself, when the script could not even run
    const wchar_t* message;      // what the script's error handler writes
    const wchar_t* reason;       // told, with this reason; nothing: no box
  } const steps[] = {
      {false, E::Exited, 0, L"", L"", kStubReason},
      {false, E::Exited, 0, L"", L"", nullptr},
      {false, E::Exited, 0x800B0109, L"", L"信頼されたルート証明機関で証明書チェーンが終了しています。\r\nActivityId 1", L"信頼されたルート証明機関で証明書チェーンが終了しています。\r\nActivityId 1"},
      {false, E::Exited, 0x800B0109, L"", L"信頼されたルート証明機関で証明書チェーンが終了しています。 ActivityId 2", nullptr},
      {false, E::Exited, 1, L"スクリプトを実行できません。", L"", L"スクリプトを実行できません。"},
      {false, E::TimedOut, 0, L"", L"", L"PowerShellが60秒以内に終了しなかったため、処理を中止しました。"},
      {true, E::Exited, 0, L"", L"", nullptr},
      {false, E::Exited, 0, L"", L"", kStubReason},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(&step - steps);
    system_.obeys = step.obeys;
    system_.result = {step.end, step.code, step.errorOutput};
    system_.message = step.message;
    system_.packages.clear();
    std::optional<std::wstring> notice = Update(true);
    EXPECT_TRUE(IsExtensionRegistered()) << "the classic menu stays";
    if (!step.reason) {
      EXPECT_EQ(notice, std::nullopt);
      continue;
    }
    EXPECT_EQ(U8(notice.value_or(L"")), U8(Notice(step.reason)));
  }
  // What was told goes with the classic registration: after it, the same cause is told again.
  system_.packages.clear();
  EXPECT_EQ(Update(false), std::nullopt);
  EXPECT_NE(Update(true), std::nullopt);
}

TEST_F(PackageRegistrationTest, DeploymentThatOutlivesPowerShellIsAwaitedBeforeItCountsAsFailed) {
  const std::size_t polls = kSettleMs / kSettlePollMs;
  const std::wstring timedOut = L"PowerShellが60秒以内に終了しなかったため、処理を中止しました。";
  using E = CProgramRun::CEnd;
  struct {
    bool on;
    E end;
    std::size_t lateBy;  // pauses until the deployment lands; past the polls: never
    std::size_t pauses;
    bool fails;
  } const cases[] = {
      {true, E::TimedOut, 3, 3, false},
      {true, E::TimedOut, polls, polls, false},
      {true, E::TimedOut, polls + 1, polls, true},
      {true, E::Exited, 1, 0, true},  // PowerShell ended on its own: Windows is done with it
      {false, E::TimedOut, 2, 2, false},
      {false, E::TimedOut, polls + 1, polls, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    system_.packages.clear();
    if (!c.on) system_.Register(folder_);
    system_.pauses.clear();
    system_.lateBy = c.lateBy;
    system_.result = {c.end, 0, L""};
    std::wstring error;
    std::optional<std::wstring> notice;
    try {
      notice = Update(c.on);
    } catch (const std::exception& e) {
      error = ErrorText(e);
    }
    system_.lateBy = 0;
    EXPECT_EQ(system_.pauses, std::vector<DWORD>(c.pauses, kSettlePollMs));
    EXPECT_EQ(system_.RegisteredFolder() == folder_, c.on != c.fails);
    const std::wstring reason = c.end == E::TimedOut ? timedOut : kStubReason;
    const std::wstring removal = L"Windows 11の右クリックメニューからタブリノリネームの項目を削除できませんでした。\n【内容】";
    if (c.on)
      EXPECT_EQ(U8(notice.value_or(L"")), c.fails ? U8(Notice(reason)) : "");
    else
      EXPECT_EQ(U8(error), c.fails ? U8(removal + reason) : "");
    system_.packages.clear();
    Update(false);  // forgets what was told
  }
}

TEST_F(PackageRegistrationTest, FailedRemovalIsAnErrorAfterTheClassicHandlerIsRemoved) {
  system_.Register(folder_);
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
  // The real runner and the real question to Windows; only the build is Windows 11's. Windows'
  // own PowerShell refuses the file, which is no package, in its own words.
  CSystemPackageDeployment system;
  CPackageRegistration package(system, kWindows11, folder_);
  std::optional<CPackageFailure> failure = package.Apply(true);
  ASSERT_TRUE(failure.has_value());
  if (RunsOnWine())
    EXPECT_EQ(U8(failure->reason), U8(kStubReason));
  else
    EXPECT_NE(U8(failure->reason), U8(kStubReason));
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
