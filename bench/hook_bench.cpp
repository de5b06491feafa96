// Prints what the keyboard hook procedures cost per key, called in-process the way the system calls
// them: median and 90th percentile over 10000 calls for keys passed on in windows that do not
// qualify, and for keys handled in a rename box. Passing a key on should cost under 5 µs. Beside
// each passed key stands the floor of the system calls it cannot avoid (the next hook, and for the
// keys it acts on the focus), timed in the same run: under Wine each of them is a round trip to the
// Wine server, which on Windows they are not. Needs a display (scripts/bench.sh starts one).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "hook_controller.h"
#include "rename_box.h"
#include "test_support.h"
#include "text.h"

namespace {

constexpr int kCalls = 10000;

using GetControllerFn = IHookController*(__cdecl*)();

template <typename T>
T Export(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

LPARAM KeyDown(WPARAM vk) { return 1 | (static_cast<LPARAM>(::MapVirtualKeyW(static_cast<UINT>(vk), 0)) << 16); }

double Microseconds(LONGLONG ticks) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(ticks) * 1e6 / frequency;
}

struct CFigures {
  double median = 0;
  double p90 = 0;
  int handled = 0;
};

LONGLONG Ticks(const std::function<LRESULT()>& call, int& handled) {
  LARGE_INTEGER a, b;
  ::QueryPerformanceCounter(&a);
  LRESULT result = call();
  ::QueryPerformanceCounter(&b);
  if (result) ++handled;
  return b.QuadPart - a.QuadPart;
}

CFigures Summary(std::vector<LONGLONG>& ticks, int handled) {
  std::sort(ticks.begin(), ticks.end());
  return {Microseconds(ticks[ticks.size() / 2]), Microseconds(ticks[ticks.size() * 9 / 10]), handled};
}

// Times each call alone, alternating with the floor when there is one, so that both meet the same
// load; `reset` runs before each call, outside the timing.
void Measure(const char* what, HOOKPROC proc, WPARAM vk, bool expectHandled, bool floorWithFocus,
             const std::function<void()>& reset = [] {}) {
  const LPARAM flags = KeyDown(vk);
  auto call = [&] { return proc(HC_ACTION, vk, flags); };
  auto floor = [&] {
    if (floorWithFocus) ::GetFocus();
    return ::CallNextHookEx(nullptr, HC_ACTION, vk, flags);
  };
  std::vector<LONGLONG> callTicks(kCalls), floorTicks(kCalls);
  int handled = 0, floorHandled = 0;
  for (int i = 0; i < kCalls; ++i) {
    reset();
    callTicks[i] = Ticks(call, handled);
    if (!expectHandled) floorTicks[i] = Ticks(floor, floorHandled);
  }
  CFigures f = Summary(callTicks, handled);
  std::printf("%-52s median %8.2f us  p90 %8.2f us", what, f.median, f.p90);
  if (handled != (expectHandled ? kCalls : 0)) std::printf("  (UNEXPECTED: %d of %d handled)", handled, kCalls);
  if (!expectHandled) {
    CFigures fl = Summary(floorTicks, floorHandled);
    std::printf("  floor %8.2f us  own work %6.2f us", fl.median, f.median - fl.median);
  }
  std::printf("\n");
}

}  // namespace

int main() {
  CTempDir install(L"hook_bench");
  CopyDeliverables(install.Path(), {L"tavrino_main.dll"});
  HMODULE library = ::LoadLibraryW(JoinPath(install.Path(), L"tavrino_main.dll").c_str());
  if (!library) {
    std::printf("cannot load tavrino_main.dll (%lu)\n", ::GetLastError());
    return 1;
  }
  auto controller = Export<GetControllerFn>(library, "GetTavrinoHookController")();
  auto renameBoxProc = Export<HOOKPROC>(library, "RenameBoxKeyboardProc");
  auto anyEditProc = Export<HOOKPROC>(library, "AnyEditKeyboardProc");
  CSettings settings;
  settings.renameExtInsertDate = true;
  if (controller->StartHook(&settings) != 1) {
    std::printf("the hook did not start\n");
    return 1;
  }

  const CBoxWindow& renameBox = CBoxWindow::Get(CBoxWindow::Place::ItemView);
  const CBoxWindow& plainBox = CBoxWindow::Get(CBoxWindow::Place::Alone);
  if (!renameBox.Created() || !plainBox.Created() || !renameBox.Activate()) {
    std::printf("no windows: run with a display (scripts/bench.sh starts one)\n");
    return 1;
  }
  std::printf("hook procedures, %d in-process calls each\n", kCalls);

  renameBox.Set(L"|report 2024.txt");
  Measure("letter key in a rename box (passed on)", renameBoxProc, 'A', false, false);
  Measure("F2 in a rename box (handled: next part)", renameBoxProc, VK_F2, true, false);
  Measure("Insert in a rename box (handled: date stamp)", renameBoxProc, VK_INSERT, true, false,
          [&] { renameBox.Set(L"report| 2024.txt"); });

  HWND button = ::CreateWindowExW(0, L"Button", L"OK", WS_POPUP | WS_VISIBLE, 500, 40, 80, 30, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
  ::SetForegroundWindow(button);
  ::SetFocus(button);
  if (!PumpUntil([&] { return ::GetFocus() == button; }, 10000)) return 1;
  Measure("F2 with the focus on a button (passed on)", renameBoxProc, VK_F2, false, true);
  Measure("  the same, all-edits procedure", anyEditProc, VK_F2, false, true);

  if (!plainBox.Activate()) return 1;
  plainBox.Set(L"|report 2024.txt");
  Measure("F2 in an Edit outside item views (passed on)", renameBoxProc, VK_F2, false, true);
  Measure("  the same, all-edits procedure (handled)", anyEditProc, VK_F2, true, false);

  controller->StopHook();
  return 0;
}
