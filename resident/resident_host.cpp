#include "resident_host.h"

#include <cwchar>
#include <optional>

#include "app.h"
#include "errors.h"
#include "event_monitor.h"
#include "events.h"
#include "handles.h"
#include "hook_controller.h"
#include "host_messages.h"
#include "settings.h"
#include "text.h"

namespace {

constexpr DWORD kReadyTimeoutMs = 5000;

// The instance marker. Empty when another host already runs: found by the probe, or created by a
// host that started between the probe and our creation.
CHandle CreateReadyEvent() {
  if (OpenNamedEvent(kReadyEventName)) return {};
  CHandle ready(::CreateEventW(nullptr, TRUE, FALSE, kReadyEventName));
  if (!ready) throw CEventCreateException(::GetLastError());
  if (::GetLastError() == ERROR_ALREADY_EXISTS) return {};
  return ready;
}

// Gives the main thread its message queue before any monitor can post to it: a quit message posted
// to a thread without one is lost, and the host would never wake.
void EnsureMessageQueue() {
  MSG msg;
  ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

enum class CArming { Ready, Failed, TimedOut };

// Waits until the monitor has signalled ready. A monitor that ends without doing so and leaves a
// message has failed; one that leaves none (it showed its own, or could show none) gets the rest
// of the time-out, which it can then only run out.
CArming WaitUntilArmed(HANDLE ready, HANDLE monitor, const CMonitorLink& link) {
  ULONGLONG deadline = ::GetTickCount64() + kReadyTimeoutMs;
  HANDLE both[2] = {ready, monitor};
  DWORD result = ::WaitForMultipleObjects(2, both, FALSE, kReadyTimeoutMs);
  if (result == WAIT_OBJECT_0 + 1) {
    if (!link.failure.empty()) return CArming::Failed;
    ULONGLONG now = ::GetTickCount64();
    result = ::WaitForSingleObject(ready, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
  }
  return result == WAIT_TIMEOUT ? CArming::TimedOut : CArming::Ready;
}

// Sleeps until a quit message arrives and returns its wake-up code. Nothing is dispatched: the
// host has no windows, and the hook's callbacks are delivered inside GetMessageW.
WPARAM SleepInMessageLoop() {
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
  }
  return static_cast<DWORD>(msg.wParam);
}

// One cycle with the hook started: arm the monitor, sleep, stop the hook. True when the host is
// to reload and start again. Every way out stops the hook.
bool RunHookCycle(IHookController& hook, HANDLE ready, CMonitorLink& link) {
  auto end = [&hook](const std::wstring& message) {
    ShowErrorBox(nullptr, message);
    hook.StopHook();
    return false;
  };

  try {
    ResetNamedEvent(ready);
  } catch (const CEventException& e) {
    return end(FillPlaceholder(kReadyEventUseErrorMessage, ErrorText(e)));
  }

  link.failure.clear();
  CHandle monitor(StartEventMonitor(link));
  if (!monitor) return end(kMonitorThreadFailedMessage);

  switch (WaitUntilArmed(ready, monitor.Get(), link)) {
    case CArming::Failed:
      return end(link.failure);
    case CArming::TimedOut:
      return end(kMonitorTimeoutMessage);
    case CArming::Ready:
      break;
  }

  ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
  WPARAM wakeUp = SleepInMessageLoop();
  hook.StopHook();
  return wakeUp != kWakeStop;
}

}  // namespace

void RunResidentHost(const wchar_t* commandLine) {
  CHandle ready;
  try {
    ready = CreateReadyEvent();
    if (!ready) return;  // a second start ends silently, whatever its arguments
  } catch (const std::exception& e) {
    ShowStageError(kReadyEventErrorMessage, e);
    return;
  }

  // Declared after the ready event: the application object goes first, the ready event last.
  std::optional<CApp> app;
  try {
    app.emplace();
    if (std::wcscmp(commandLine, L"/START") != 0)
      throw CAppError(FillPlaceholder(kNotStartedByConfigMessage, kConfigProgramName));
  } catch (const std::exception& e) {
    ShowStageError(kInitErrorMessage, e);
    return;
  }

  IHookController* hook = GetTavrinoHookController();
  if (!hook) {
    ShowErrorBox(nullptr, kHookStartFailedMessage);
    return;
  }

  CSettings settings;
  try {
    // A data folder too deep for the settings path means the settings cannot be loaded at all.
    settings.SetIniFilePath(app->GetIniFilePath());
  } catch (const std::exception& e) {
    ShowStageError(kLoadErrorMessage, e);
    return;
  }

  CMonitorLink link;
  link.mainThreadId = ::GetCurrentThreadId();
  EnsureMessageQueue();

  for (bool again = true; again;) {
    try {
      LoadSettingsChecked(settings);
    } catch (const std::exception& e) {
      // No hook runs here: the first cycle has not started one, and every cycle stops its own.
      ShowStageError(kLoadErrorMessage, e);
      break;
    }
    // The record stays untouched from here until the matching StopHook.
    if (hook->StartHook(&settings) != 1) {
      ShowErrorBox(nullptr, kHookStartFailedMessage);
      break;
    }
    again = RunHookCycle(*hook, ready.Get(), link);
  }
}
