// Prints how long the configuration program takes from process start to its main dialog being
// visible, beside a minimal dialog program built the same way (runtime, manifest, common controls,
// font), in alternating rounds of one run. Target: at most 1.5 times the minimal program.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include "errors.h"
#include "events.h"
#include "handles.h"
#include "bench_clock.h"
#include "registry_snapshot.h"
#include "test_support.h"
#include "text.h"

namespace {

struct CSearch {
  DWORD processId;
  const std::wstring* caption;
  HWND found;
};

HWND VisibleDialog(DWORD processId, const std::wstring& caption) {
  CSearch search{processId, &caption, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<CSearch*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        wchar_t text[64] = {};
        if (owner != s.processId || !::IsWindowVisible(window)) return TRUE;
        ::GetWindowTextW(window, text, ARRAYSIZE(text));
        if (*s.caption != text) return TRUE;
        s.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Milliseconds from CreateProcess to the dialog being visible; the program is closed again after.
double StartToVisible(const std::wstring& exe, const std::wstring& caption) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  std::wstring folder = FolderPart(exe);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  double start = NowMilliseconds();
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info))
    return -1;
  CHandle process(info.hProcess);
  CHandle thread(info.hThread);
  HWND dialog = nullptr;
  while (!(dialog = VisibleDialog(info.dwProcessId, caption))) {
    if (::WaitForSingleObject(process.Get(), 1) == WAIT_OBJECT_0 || NowMilliseconds() - start > 20000) return -1;
  }
  double elapsed = NowMilliseconds() - start;
  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  if (::WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0) ::TerminateProcess(process.Get(), 1);
  ::WaitForSingleObject(process.Get(), 5000);
  return elapsed;
}

void Print(const char* what, std::vector<double> t) {
  std::sort(t.begin(), t.end());
  std::printf("%-34s median %7.1f ms   min %7.1f ms   max %7.1f ms   (%zu rounds)\n", what, t[t.size() / 2], t.front(),
              t.back(), t.size());
}

double Median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

}  // namespace

int main() {
  if (NamedEventExists(kConfigRunningEventName)) {
    std::printf("a configuration program is open; close it first\n");
    return 1;
  }
  CTempDir install(L"start_bench");
  // The program as it ships: stripped, from the package. The test kit's bin folder is the package
  // itself; in the build it is the build machine's dist folder, seen through Wine's drive Z:.
  std::wstring package = BinDir();
  if (!PathExists(JoinPath(FolderPart(TestDir()), L"run-tests.cmd"))) {
    package = L"Z:" + FromUtf8(TAVRINO_DIST_DIR) + L"\\tavrino";
    std::replace(package.begin(), package.end(), L'/', L'\\');
  }
  for (const wchar_t* name : {L"tavrino.exe", L"tavrino_shellext.dll"}) {
    std::wstring from = JoinPath(package, name);
    if (!::CopyFileW(from.c_str(), (install / name).c_str(), FALSE)) {
      std::printf("cannot copy %s from the package\n", ToUtf8(name).c_str());
      return 1;
    }
  }
  std::wstring minimal = install / L"minimal_dialog.exe";
  if (!::CopyFileW(JoinPath(TestDir(), L"minimal_dialog\\minimal_dialog.exe").c_str(), minimal.c_str(), FALSE)) {
    std::printf("cannot copy the minimal dialog program\n");
    return 1;
  }
  // Under Xvfb no window manager answers; Wine would wait 2 s for one at every close.
  std::vector<std::unique_ptr<CRegistrySnapshot>> keys;
  for (const wchar_t* program : {L"tavrino.exe", L"minimal_dialog.exe"}) {
    if (!RunsOnWine()) break;
    std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + program + L"\\X11 Driver";
    keys.push_back(std::make_unique<CRegistrySnapshot>(HKEY_CURRENT_USER, key));
    SetRegistryString(HKEY_CURRENT_USER, key, L"Managed", L"N");
  }

  const int rounds = 31;
  std::vector<double> config, floor;
  // One of each first, unmeasured: the files come into the cache.
  StartToVisible(install / L"tavrino.exe", L"タブリノリネームの設定");
  StartToVisible(minimal, L"最小のダイアログ");
  for (int i = 0; i < rounds; ++i) {
    double c = StartToVisible(install / L"tavrino.exe", L"タブリノリネームの設定");
    double m = StartToVisible(minimal, L"最小のダイアログ");
    if (c < 0 || m < 0) {
      std::printf("round %d: a program did not show its dialog\n", i);
      return 1;
    }
    config.push_back(c);
    floor.push_back(m);
  }
  Print("tavrino.exe to its main dialog", config);
  Print("minimal dialog program", floor);
  double ratio = Median(config) / Median(floor);
  std::printf("ratio of medians %.2f (target at most 1.5): %s\n", ratio, ratio <= 1.5 ? "met" : "NOT met");
  // The fastest rounds, least disturbed by whatever else the machine does.
  std::printf("ratio of fastest rounds %.2f\n", *std::min_element(config.begin(), config.end()) /
                                                  *std::min_element(floor.begin(), floor.end()));
  return 0;
}
