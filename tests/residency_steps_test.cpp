// The configuration program's residency steps driven in this process: hosts as real processes, the
// prefix's named events.
#include <windows.h>
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
