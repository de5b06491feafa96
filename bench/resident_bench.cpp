// Prints what the resident host costs while it idles: its working set after the trim that follows
// arming, and the CPU time it uses over 10 idle seconds (it should use none: nothing polls).
// Runs the built host with the shipped hook library from a temporary install folder.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "app.h"
#include "events.h"
#include "handles.h"
#include "text.h"

namespace {

std::wstring BinFolder() {
  return JoinPath(FolderPart(FolderPart(ModuleFileName(nullptr))), L"bin");
}

double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

void PrintMemory(const char* when, HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(process, &counters, sizeof counters)) {
    std::printf("%s: memory counters unavailable (%lu)\n", when, ::GetLastError());
    return;
  }
  std::printf("%s: working set %.1f KiB, peak %.1f KiB, private %.1f KiB\n", when, counters.WorkingSetSize / 1024.0,
              counters.PeakWorkingSetSize / 1024.0, counters.PagefileUsage / 1024.0);
}

bool WaitReady(HANDLE process) {
  for (int i = 0; i < 400; ++i) {
    CHandle ready = OpenNamedEvent(kReadyEventName);
    if (ready) return ::WaitForSingleObject(ready.Get(), 10000) == WAIT_OBJECT_0;
    if (::WaitForSingleObject(process, 25) == WAIT_OBJECT_0) return false;
  }
  return false;
}

}  // namespace

int main() {
  if (NamedEventExists(kReadyEventName)) {
    std::printf("a resident host is already running; stop it first\n");
    return 1;
  }
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring install = JoinPath(temp, L"tavrino_resident_bench_" + std::to_wstring(::GetCurrentProcessId()));
  ::CreateDirectoryW(install.c_str(), nullptr);
  std::wstring exe = JoinPath(install, L"tavrino_main.exe");
  std::wstring dll = JoinPath(install, L"tavrino_main.dll");
  if (!::CopyFileW(JoinPath(BinFolder(), L"tavrino_main.exe").c_str(), exe.c_str(), FALSE) ||
      !::CopyFileW(JoinPath(BinFolder(), L"tavrino_main.dll").c_str(), dll.c_str(), FALSE)) {
    std::printf("cannot copy the host from the build's bin folder\n");
    return 1;
  }

  std::wstring commandLine = L"\"" + exe + L"\" /START";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, install.c_str(), &startup,
                        &info)) {
    std::printf("cannot start the host (%lu)\n", ::GetLastError());
    return 1;
  }
  CHandle process(info.hProcess);
  CHandle thread(info.hThread);
  std::printf("host process id %lu\n", info.dwProcessId);

  if (WaitReady(process.Get())) {
    // Idle for input: the main thread sleeps in its message loop, after the trim.
    ::WaitForInputIdle(process.Get(), 10000);
    ::Sleep(1000);
    PrintMemory("armed and idle", process.Get());
    double before = CpuMs(process.Get());
    ::Sleep(10000);
    double after = CpuMs(process.Get());
    std::printf("CPU time over 10 idle seconds: %.3f ms (total so far %.3f ms)\n", after - before, after);

    CHandle ready = OpenNamedEvent(kReadyEventName);
    ::ResetEvent(ready.Get());
    SignalNamedEvent(kRestartEventName);
    if (::WaitForSingleObject(ready.Get(), 10000) == WAIT_OBJECT_0) {
      ::Sleep(1000);
      PrintMemory("after a restart", process.Get());
    }
    ready.Reset();
    SignalNamedEvent(kStopEventName);
  } else {
    std::printf("the host did not become ready\n");
  }
  if (::WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0) {
    std::printf("the host did not end; ending it\n");
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), 5000);
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.Get(), &code);
  std::printf("host exit code %lu\n", code);
  process.Reset();
  ::DeleteFileW(exe.c_str());
  ::DeleteFileW(dll.c_str());
  ::RemoveDirectoryW(install.c_str());
  return 0;
}
