// Prints what the keyboard hook library costs the processes it is loaded into. First what loading
// it costs: the time of LoadLibrary + FreeLibrary and the memory it takes, for the library as it
// ships (stripped) beside a minimal hook library built the same way, in alternating rounds; target:
// at most 1.3 times the minimal library. Then what the hook procedures cost per key, called
// in-process the way the system calls them: median and 90th percentile over 10000 calls for keys
// passed on in windows that do not qualify, and for keys handled in a rename box. Passing a key on
// should cost under 5 µs. Beside each passed key stands the floor of the system calls it cannot
// avoid (the next hook, and for the keys it acts on the focus), timed in the same run: under Wine
// each of them is a round trip to the Wine server, which on Windows they are not. Needs a display
// (scripts/bench.sh starts one).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "errors.h"
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

// What one library costs a process that loads it.
struct CLoadCost {
  double fileBytes = 0;
  double imageBytes = 0;     // address space of the image
  double writableBytes = 0;  // its writable (copy-on-write) pages: what Windows charges as commit
  double residentBytes = 0;  // image pages in the working set right after the load
  double privateBytes = 0;   // of those, pages of this process alone (written by the loader or the runtime)
  double commitDelta = 0;    // the process's private commit while it stays loaded, heap included
  std::vector<double> loadFree;  // microseconds of LoadLibrary + FreeLibrary
};

double FileBytes(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return static_cast<double>(data.nFileSizeLow);
}

double PrivateCommit() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  return static_cast<double>(counters.PrivateUsage);
}

// The memory figures of one load, taken while the library is loaded. Under Wine the whole image is
// read in at once and pages are not marked as shared, so resident is the image size and private
// means little, and the process's private commit does not change; on Windows they count the pages
// the loader and the runtime's start touch and what they charge.
bool MeasureMemory(const std::wstring& path, CLoadCost& cost) {
  const double commitBefore = PrivateCommit();
  HMODULE module = ::LoadLibraryW(path.c_str());
  if (!module) return false;
  cost.commitDelta = PrivateCommit() - commitBefore;
  MODULEINFO info{};
  ::GetModuleInformation(::GetCurrentProcess(), module, &info, sizeof info);
  cost.fileBytes = FileBytes(path);
  cost.imageBytes = info.SizeOfImage;
  auto* base = static_cast<char*>(info.lpBaseOfDll);
  for (char* at = base; at < base + info.SizeOfImage;) {
    MEMORY_BASIC_INFORMATION region{};
    if (!::VirtualQuery(at, &region, sizeof region)) break;
    const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    const char* end = std::min(static_cast<char*>(region.BaseAddress) + region.RegionSize, base + info.SizeOfImage);
    if (region.State == MEM_COMMIT && (region.Protect & writable)) cost.writableBytes += end - at;
    at = static_cast<char*>(region.BaseAddress) + region.RegionSize;
  }
  SYSTEM_INFO system;
  ::GetSystemInfo(&system);
  std::vector<PSAPI_WORKING_SET_EX_INFORMATION> pages(info.SizeOfImage / system.dwPageSize);
  for (std::size_t i = 0; i < pages.size(); ++i) pages[i].VirtualAddress = base + i * system.dwPageSize;
  if (::QueryWorkingSetEx(::GetCurrentProcess(), pages.data(), static_cast<DWORD>(pages.size() * sizeof pages[0]))) {
    for (const auto& page : pages) {
      if (!page.VirtualAttributes.Valid) continue;
      cost.residentBytes += system.dwPageSize;
      if (!page.VirtualAttributes.Shared) cost.privateBytes += system.dwPageSize;
    }
  }
  ::FreeLibrary(module);
  return true;
}

double LoadFreeMicroseconds(const std::wstring& path) {
  LARGE_INTEGER a, b;
  ::QueryPerformanceCounter(&a);
  HMODULE module = ::LoadLibraryW(path.c_str());
  if (module) ::FreeLibrary(module);
  ::QueryPerformanceCounter(&b);
  return module ? Microseconds(b.QuadPart - a.QuadPart) : -1;
}

double Percentile(std::vector<double> t, double p) {
  std::sort(t.begin(), t.end());
  return t[static_cast<std::size_t>(static_cast<double>(t.size() - 1) * p)];
}

// The library as it ships and the minimal one, copied side by side so that both load from the same
// disk. The first rounds bring both into the cache and are not counted.
bool MeasureLoading(const CTempDir& folder) {
  // The package of this build as Wine sees it; on Windows, a packaged copy put beside the benchmark.
  std::wstring package = FromUtf8(TAVRINO_DIST_DIR);
  std::replace(package.begin(), package.end(), L'/', L'\\');
  const std::wstring packaged[] = {L"Z:" + package + L"\\tavrino\\tavrino_main.dll",
                                   JoinPath(TestDir(), L"tavrino_main.dll")};
  const std::wstring shipped = folder / L"tavrino_main.dll";
  const std::wstring minimal = folder / L"minimal_hook.dll";
  if ((!::CopyFileW(packaged[0].c_str(), shipped.c_str(), FALSE) &&
       !::CopyFileW(packaged[1].c_str(), shipped.c_str(), FALSE)) ||
      !::CopyFileW(JoinPath(TestDir(), L"minimal_hook\\minimal_hook.dll").c_str(), minimal.c_str(), FALSE)) {
    std::printf("cannot copy the packaged hook library or the minimal one\n");
    return false;
  }
  CLoadCost ours, floor;
  if (!MeasureMemory(shipped, ours) || !MeasureMemory(minimal, floor)) {
    std::printf("cannot load the libraries (%lu)\n", ::GetLastError());
    return false;
  }
  constexpr int kRounds = 301, kWarmUp = 5;
  for (int i = 0; i < kWarmUp + kRounds; ++i) {
    const double a = LoadFreeMicroseconds(shipped), b = LoadFreeMicroseconds(minimal);
    if (i < kWarmUp) continue;
    ours.loadFree.push_back(a);
    floor.loadFree.push_back(b);
  }
  std::printf("loading the hook library: the packaged tavrino_main.dll beside a minimal hook library built the same\n"
              "way, %d alternating rounds (target: at most 1.3 times the minimal library)\n", kRounds);
  std::printf("%-44s %14s %14s %7s\n", "", "tavrino_main", "minimal", "ratio");
  auto row = [](const char* what, double a, double b, const char* unit) {
    std::printf("%-44s %11.1f %-2s %11.1f %-2s %7.2f\n", what, a, unit, b, unit, b > 0 ? a / b : 0.0);
  };
  const double kB = 1024;
  row("file size", ours.fileBytes / kB, floor.fileBytes / kB, "KB");
  row("image size (address space)", ours.imageBytes / kB, floor.imageBytes / kB, "KB");
  row("writable image pages (commit charge)", ours.writableBytes / kB, floor.writableBytes / kB, "KB");
  row("image pages resident after the load", ours.residentBytes / kB, floor.residentBytes / kB, "KB");
  row("  of those private to the process", ours.privateBytes / kB, floor.privateBytes / kB, "KB");
  std::printf("%-44s %11.1f KB %11.1f KB\n", "process private commit while loaded", ours.commitDelta / kB,
              floor.commitDelta / kB);
  row("LoadLibrary + FreeLibrary, median", Percentile(ours.loadFree, 0.5), Percentile(floor.loadFree, 0.5), "us");
  row("LoadLibrary + FreeLibrary, 90th percentile", Percentile(ours.loadFree, 0.9), Percentile(floor.loadFree, 0.9),
      "us");
  row("LoadLibrary + FreeLibrary, fastest", Percentile(ours.loadFree, 0), Percentile(floor.loadFree, 0), "us");
  const double worst = std::max({Percentile(ours.loadFree, 0.5) / Percentile(floor.loadFree, 0.5),
                                 ours.imageBytes / floor.imageBytes, ours.writableBytes / floor.writableBytes,
                                 ours.residentBytes / floor.residentBytes});
  std::printf("largest ratio of load time (median) and memory %.2f (target at most 1.3): %s\n\n", worst,
              worst <= 1.3 ? "met" : "NOT met");
  return true;
}

}  // namespace

int main() {
  CTempDir install(L"hook_bench");
  {
    CTempDir loads(L"hook_load_bench");
    if (!MeasureLoading(loads)) return 1;
  }
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
