#include "event_monitor.h"

#include <process.h>

#include "errors.h"
#include "events.h"
#include "host_messages.h"
#include "text.h"

namespace {

unsigned __stdcall EventMonitorThread(void* param) {
  CMonitorLink& link = *static_cast<CMonitorLink*>(param);
  const DWORD mainThreadId = link.mainThreadId;
  try {
    // Declared so that leaving closes ready, restart and stop, in that order.
    CHandle stop;
    CHandle restart;
    try {
      stop = CreateNamedEvent(kStopEventName, false);
      restart = CreateNamedEvent(kRestartEventName, false);
    } catch (const CEventCreateException& e) {
      // The main thread meanwhile runs into its time-out and ends the cycle.
      ShowStageError(kEventCreateErrorMessage, e);
      return 0;
    }

    CHandle ready;
    try {
      ready = OpenNamedEvent(kReadyEventName);
      if (!ready) return 0;  // the main thread holds it, so this cannot be; its time-out ends the cycle
      SetNamedEvent(ready.Get());
    } catch (const CEventException& e) {
      // The main thread is waiting on this thread too: it shows the message and stops the hook.
      link.failure = FillPlaceholder(kReadyEventUseErrorMessage, ErrorText(e));
      return 0;
    }

    HANDLE wanted[2] = {stop.Get(), restart.Get()};
    DWORD woken = ::WaitForMultipleObjects(2, wanted, FALSE, INFINITE);
    // A failed wait can never report again: treat it as a stop rather than restart for ever.
    WPARAM code = woken == WAIT_OBJECT_0 + 1 ? kWakeRestart : kWakeStop;
    ::PostThreadMessageW(mainThreadId, WM_QUIT, code, 0);
  } catch (...) {
    // Nothing may leave a thread; without ready the main thread ends the cycle by its time-out.
  }
  return 0;
}

}  // namespace

HANDLE StartEventMonitor(CMonitorLink& link) {
  return reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, EventMonitorThread, &link, 0, nullptr));
}
