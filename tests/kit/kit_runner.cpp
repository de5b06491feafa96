// The test kit's runner, started by run-tests.cmd ("kit_runner tests [/force]"), run-benchmarks.cmd
// ("kit_runner bench [/force]") and package-check.ps1 ("kit_runner check": may the kit run here?).
// It runs the kit's programs one after the other, each from a fresh scratch folder under %TEMP%,
// with one line per program, and writes report.txt and report.xml (JUnit), or benchmarks.txt,
// beside itself. The tester's own registration is safe:
// the runner refuses to run beside an installed copy unless told to go on, and puts back what the
// tests touch, also after a program that crashed or a Ctrl+C.
#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app.h"
#include "class_factory.h"
#include "errors.h"
#include "events.h"
#include "handles.h"
#include "package_registration.h"
#include "package_state.h"
#include "registry_snapshot.h"
#include "shell_ext_controller.h"
#include "test_support.h"
#include "text.h"

// The package steps link against the extension's controller; the runner never registers the
// classic handler.
extern "C" IShellExtController* GetShellExtController() { return nullptr; }

namespace {

constexpr DWORD kProgramTimeoutMs = 300000;
const std::wstring kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kRunValue = L"tavrino";
// The user's own link colours, which the dialog base's tests change for a while.
const std::wstring kLinkColourKey = L"Software\\Microsoft\\Internet Explorer\\Settings";

// ---- output -----------------------------------------------------------------------------------

void Say(const std::wstring& text) {
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0, written = 0;
  if (::GetConsoleMode(out, &mode)) {
    ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  } else {
    std::string bytes = ToUtf8(text);
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

std::wstring Seconds(double s) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%.1f s", s);
  return text;
}

std::wstring Padded(std::wstring text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), L' ');
  return text;
}

// Valid UTF-8 with the characters XML forbids replaced: programs may print anything.
std::string CleanUtf8(const std::string& bytes) {
  std::wstring text = FromUtf8(bytes);
  if (ToUtf8(text) != bytes) text = FromThreadAnsi(bytes);
  for (wchar_t& c : text)
    if (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') c = L'?';
  return ToUtf8(text);
}

std::string Xml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring ClassKey() {
  wchar_t clsid[39] = {};
  ::StringFromGUID2(CLSID_TavrinoContextMenuExtension, clsid, ARRAYSIZE(clsid));
  return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}

// ---- the tester's registration --------------------------------------------------------------

// What of an installed copy the tests would change; empty when nothing is installed but the kit.
std::vector<std::wstring> InstalledElsewhere(const std::wstring& bin) {
  std::vector<std::wstring> found;
  std::optional<std::wstring> server = RegistryString(HKEY_CURRENT_USER, ClassKey() + L"\\InprocServer32", nullptr);
  if (server && !SamePath(FolderPart(*server), bin))
    found.push_back(L"the context-menu extension is registered from " + FolderPart(*server));
  if (std::optional<std::wstring> run = RegistryString(HKEY_CURRENT_USER, kRunKey, kRunValue))
    found.push_back(L"the resident host starts at logon: " + *run);
  std::optional<std::wstring> package = RegisteredPackageFolder();
  if (package && !SamePath(*package, bin))
    found.push_back(L"the package for Windows 11's menu is registered for " + *package);
  if (NamedEventExists(kReadyEventName)) found.push_back(L"the resident host is running");
  return found;
}

// A value as it was, put back as it was (or removed, when there was none).
class CSavedValue {
public:
  CSavedValue(std::wstring key, std::wstring name) : key_(std::move(key)), name_(std::move(name)) {
    CRegKey k;
    DWORD size = 0;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, k.Put()) != ERROR_SUCCESS ||
        ::RegQueryValueExW(k.Get(), name_.c_str(), nullptr, &type_, nullptr, &size) != ERROR_SUCCESS)
      return;
    data_.resize(size);
    if (::RegQueryValueExW(k.Get(), name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS) {
      data_.resize(size);
      exists_ = true;
    }
  }
  bool Exists() const { return exists_; }
  std::wstring Text() const {
    std::wstring text(reinterpret_cast<const wchar_t*>(data_.data()), data_.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
  }
  void Remove() const { DeleteRegistryValue(HKEY_CURRENT_USER, key_, name_.c_str()); }
  void PutBack() const {
    if (!exists_) return Remove();
    CRegKey k;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.Put(), nullptr) ==
        ERROR_SUCCESS)
      ::RegSetValueExW(k.Get(), name_.c_str(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
  }

private:
  std::wstring key_, name_;
  bool exists_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

// A key's access list as it was: a test takes every right away from the Run key for a while.
class CSavedAccess {
public:
  explicit CSavedAccess(const std::wstring& key) : key_(key) {
    CRegKey k;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, READ_CONTROL, k.Put()) == ERROR_SUCCESS)
      ::GetSecurityInfo(k.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl_, nullptr,
                        &descriptor_);
  }
  ~CSavedAccess() { ::LocalFree(descriptor_); }
  // Only where the key can no longer be used: otherwise it is left alone.
  void PutBackIfDenied() const {
    CRegKey k;
    if (!descriptor_ || ::RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ | KEY_WRITE, k.Put()) !=
                            ERROR_ACCESS_DENIED)
      return;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor_, &control, &revision);
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, WRITE_DAC, k.Put()) == ERROR_SUCCESS)
      ::SetSecurityInfo(k.Get(), SE_REGISTRY_KEY,
                        DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                                   : UNPROTECTED_DACL_SECURITY_INFORMATION),
                        nullptr, nullptr, dacl_, nullptr);
  }

private:
  std::wstring key_;
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  PACL dacl_ = nullptr;
};

// Deletes one of our keys, giving it back the rights it inherits first when a test took them away.
void DeleteOurKey(const std::wstring& key) {
  if (::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str()) == ERROR_ACCESS_DENIED) {
    CRegKey k;
    ACL empty;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, k.Put()) == ERROR_SUCCESS &&
        ::InitializeAcl(&empty, sizeof empty, ACL_REVISION))
      ::SetSecurityInfo(k.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, &empty, nullptr);
    k.Reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  }
  ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

// What the tests touch of the user's registry, saved when the run starts. While the programs run
// our keys and the Run value are absent and the user's own values as they were; at the end
// everything is as it was, the package registration and a running resident host included.
class CUserState {
public:
  explicit CUserState(std::wstring bin)
      : bin_(std::move(bin)), runValue_(kRunKey, kRunValue), runAccess_(kRunKey),
        package_(RegisteredPackageFolder()), hostWasRunning_(NamedEventExists(kReadyEventName)) {
    for (const std::wstring& key : TestedUserKeys())
      keys_.push_back(std::make_unique<CRegistrySnapshot>(HKEY_CURRENT_USER, key));
    for (const wchar_t* name : {L"Anchor Color", L"Anchor Color Visited"}) userValues_.emplace_back(kLinkColourKey, name);
  }

  // Before each program: as if nothing of ours were installed.
  void Clear() const {
    runAccess_.PutBackIfDenied();
    for (const std::wstring& key : TestedUserKeys()) DeleteOurKey(key);
    runValue_.Remove();
    for (const CSavedValue& value : userValues_) value.PutBack();
  }

  // Once, at the end, after Clear.
  void Restore() {
    keys_.clear();  // each snapshot writes its key back as it goes
    runValue_.PutBack();
    if (RegisteredPackageFolder() != package_) {
      CSystemPackageDeployment system;
      CPackageRegistration registration(system, RealWindowsBuild(), package_.value_or(bin_));
      std::optional<CPackageFailure> failure = registration.Apply(package_.has_value());
      Say(failure ? L"The package registration could not be put back: " + failure->reason + L"\r\n"
                  : std::wstring(L"The package registration was put back.\r\n"));
    }
    if (hostWasRunning_ && runValue_.Exists() && !NamedEventExists(kReadyEventName)) {
      std::wstring commandLine = runValue_.Text();
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      PROCESS_INFORMATION info{};
      if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
        Say(L"The resident host was started again.\r\n");
      }
    }
  }

private:
  std::wstring bin_;
  std::vector<std::unique_ptr<CRegistrySnapshot>> keys_;
  CSavedValue runValue_;
  CSavedAccess runAccess_;
  std::vector<CSavedValue> userValues_;
  std::optional<std::wstring> package_;
  bool hostWasRunning_;
};

// ---- Ctrl+C ---------------------------------------------------------------------------------

std::unique_ptr<CUserState> g_state;
std::mutex g_restoring;
bool g_restored = false;
volatile LONG g_interrupted = 0;
HANDLE g_program = nullptr;  // the test program running now

void RestoreOnce() {
  std::lock_guard<std::mutex> lock(g_restoring);
  if (g_restored || !g_state) return;
  g_restored = true;
  g_state->Clear();
  g_state->Restore();
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  ::InterlockedExchange(&g_interrupted, 1);
  if (HANDLE program = g_program) ::TerminateProcess(program, ERROR_CANCELLED);
  // The console goes away with this process in a moment: put things back now.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) RestoreOnce();
  return TRUE;
}

// ---- one program ----------------------------------------------------------------------------

struct CRun {
  std::wstring name;
  DWORD exitCode = 0;
  bool started = false, timedOut = false;
  double seconds = 0;
  std::vector<std::wstring> leftRunning;  // programs it left behind, ended by the runner
  std::string output, xml;
  std::vector<std::string> failedTests;
  std::vector<std::pair<std::string, std::string>> skippedTests;  // name, reason
  int passedTests = 0;

  bool Failed() const {
    return !started || timedOut || exitCode != 0 || !failedTests.empty() || !leftRunning.empty();
  }
  bool Skipped() const { return !Failed() && passedTests == 0 && !skippedTests.empty(); }
  std::wstring Verdict() const {
    if (!started) return L"failed (did not start)";
    if (timedOut) return L"failed (timed out)";
    if (Failed()) {
      std::wstring why = !failedTests.empty() ? std::to_wstring(failedTests.size()) + L" failed"
                         : exitCode != 0      ? L"exit code " + std::to_wstring(exitCode)
                                              : L"";
      for (const std::wstring& left : leftRunning) why += (why.empty() ? L"left " : L", left ") + left + L" running";
      return L"failed (" + why + L")";
    }
    if (Skipped()) return L"skipped";
    return skippedTests.empty() ? L"passed" : L"passed (" + std::to_wstring(skippedTests.size()) + L" skipped)";
  }
};

// Failed and skipped tests, and the reasons given for skipping, from GoogleTest's output.
void ReadVerdicts(CRun& run) {
  std::string current, reason;
  for (const std::string& line : Lines(run.output)) {
    if (StartsWith(line, "[ RUN      ] ")) {
      current = line.substr(13);
      reason.clear();
    } else if (StartsWith(line, "[  SKIPPED ] " + current + " (") && !current.empty()) {
      run.skippedTests.emplace_back(current, reason);
      current.clear();
    } else if (StartsWith(line, "[  FAILED  ] ") && line.find(" ms)") != std::string::npos) {
      run.failedTests.push_back(line.substr(13, line.rfind(" (") - 13));
    } else if (StartsWith(line, "[  PASSED  ] ")) {
      run.passedTests = std::atoi(line.c_str() + 13);
    } else if (!current.empty() && !StartsWith(line, "[") && line.find(": Skipped") == std::string::npos &&
               !line.empty()) {
      reason += (reason.empty() ? "" : " ") + line;
    }
  }
}

// Ends what a program left running in its job and names it. The system's own programs are left
// alone: Wine starts its services on demand from whichever program needs them first.
std::vector<std::wstring> EndLeftBehind(HANDLE job) {
  std::vector<std::wstring> names;
  struct {
    JOBOBJECT_BASIC_PROCESS_ID_LIST list;
    ULONG_PTR more[255];
  } ids{};
  ids.list.NumberOfAssignedProcesses = 256;
  if (!::QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr)) return names;
  wchar_t windows[MAX_PATH] = {};
  ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring system = JoinPath(windows, L"");
  for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i) {
    CHandle process(::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                  static_cast<DWORD>(ids.list.ProcessIdList[i])));
    wchar_t image[MAX_PATH * 2] = {};
    DWORD size = ARRAYSIZE(image);
    if (!process || !::QueryFullProcessImageNameW(process.Get(), 0, image, &size) ||
        ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0 ||
        ::CompareStringOrdinal(image, static_cast<int>(std::min<std::size_t>(size, system.size())), system.c_str(),
                               static_cast<int>(system.size()), TRUE) == CSTR_EQUAL)
      continue;
    ::TerminateProcess(process.Get(), ERROR_CANCELLED);
    ::WaitForSingleObject(process.Get(), 10000);
    names.emplace_back(NamePart(image));
  }
  return names;
}

CRun RunProgram(const std::wstring& exe, const std::wstring& scratch, const std::wstring& work, bool gtest) {
  CRun run;
  run.name = std::wstring(NamePart(exe));
  run.name.resize(run.name.size() - 4);  // ".exe"
  const std::wstring outputPath = JoinPath(work, L"output.txt"), xmlPath = JoinPath(work, L"gtest.xml");
  ::DeleteFileW(xmlPath.c_str());
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  CFileHandle output(::CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  CFileHandle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING,
                                  0, nullptr));
  // Whatever the program starts joins its job, where the runner finds what it left behind.
  CHandle job(::CreateJobObjectW(nullptr, nullptr));

  std::wstring commandLine = L"\"" + exe + L"\"" + (gtest ? L" \"--gtest_output=xml:" + xmlPath + L"\"" : L"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.Get();
  startup.hStdOutput = startup.hStdError = output.Get();
  PROCESS_INFORMATION info{};
  const ULONGLONG start = ::GetTickCount64();
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                        scratch.c_str(), &startup, &info)) {
    run.output = ToUtf8(SystemMessage(::GetLastError()));
    return run;
  }
  run.started = true;
  CHandle process(info.hProcess), thread(info.hThread);
  ::AssignProcessToJobObject(job.Get(), process.Get());
  g_program = process.Get();
  ::ResumeThread(thread.Get());
  if (::WaitForSingleObject(process.Get(), kProgramTimeoutMs) != WAIT_OBJECT_0) {
    run.timedOut = true;
    ::TerminateProcess(process.Get(), ERROR_TIMEOUT);
  }
  ::WaitForSingleObject(process.Get(), 10000);
  g_program = nullptr;
  ::GetExitCodeProcess(process.Get(), &run.exitCode);
  run.seconds = (::GetTickCount64() - start) / 1000.0;
  run.leftRunning = EndLeftBehind(job.Get());
  output.Reset();
  run.output = CleanUtf8(ReadBytes(outputPath));
  if (gtest && PathExists(xmlPath)) run.xml = CleanUtf8(ReadBytes(xmlPath));
  ReadVerdicts(run);
  return run;
}

// ---- reports --------------------------------------------------------------------------------

std::wstring Platform() {
  std::wstring text = L"Windows build " + std::to_wstring(RealWindowsBuild());
  if (RunsOnWine()) {
    using Version = const char*(__cdecl*)();
    auto version = reinterpret_cast<Version>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    text += L" (Wine " + FromUtf8(version ? version() : "?") + L")";
  }
  return text;
}

std::string Now() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return text;
}

// GoogleTest's own suites of a program, renamed "program.Suite"; one case of its own for a program
// whose end GoogleTest did not report (a crash, a time-out, an exit code, processes left behind).
std::string JunitOf(const CRun& run) {
  const std::string name = ToUtf8(run.name);
  std::string out;
  const std::size_t open = run.xml.find("<testsuites"), close = run.xml.rfind("</testsuites>");
  const std::size_t body = open == std::string::npos ? open : run.xml.find('>', open);
  if (body != std::string::npos && close != std::string::npos && close > body)
    out = ToUtf8(ReplaceAll(FromUtf8(run.xml.substr(body + 1, close - body - 1)), L"<testsuite name=\"",
                            FromUtf8("<testsuite name=\"" + name + ".")));
  // GoogleTest told the whole story when it names every failure and nothing was left running.
  if (!out.empty() && (!run.Failed() || (!run.failedTests.empty() && run.leftRunning.empty()))) return out;
  char time[32];
  std::snprintf(time, sizeof time, "%.3f", run.seconds);
  out += "  <testsuite name=\"" + name + "\" tests=\"1\" failures=\"" + (run.Failed() ? "1" : "0") +
         "\" errors=\"0\" time=\"" + time + "\">\n    <testcase name=\"" + name + "\" classname=\"" + name +
         "\" time=\"" + time + "\">";
  if (run.Failed())
    out += "\n      <failure message=\"" + Xml(ToUtf8(run.Verdict())) + "\">" + Xml(run.output) + "</failure>\n    ";
  return out + "</testcase>\n  </testsuite>\n";
}

void WriteReports(const std::wstring& kit, const std::vector<CRun>& runs, double seconds, bool interrupted) {
  std::string text = "タブリノリネーム test kit, " + Now() + ", " + ToUtf8(Platform()) + "\n" + ToUtf8(kit) + "\n\n";
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"tavrino-tests\">\n";
  int failed = 0;
  for (const CRun& run : runs) {
    failed += run.Failed();
    char time[32];
    std::snprintf(time, sizeof time, "%7.1f s", run.seconds);
    text += ToUtf8(Padded(run.name, 32) + Padded(run.Verdict() + L" ", 40)) + time + "\n";
    xml += JunitOf(run);
  }
  char total[96];
  std::snprintf(total, sizeof total, "\n%zu programs, %d failed, %.0f s%s\n", runs.size(), failed, seconds,
                interrupted ? ", interrupted" : "");
  text += total;
  for (const CRun& run : runs)
    for (const auto& [test, reason] : run.skippedTests)
      text += "\nskipped: " + ToUtf8(run.name) + " " + test + (reason.empty() ? "" : "\n    " + reason);
  for (const CRun& run : runs)
    if (run.Failed()) text += "\n\n==== " + ToUtf8(run.name) + ": " + ToUtf8(run.Verdict()) + "\n" + run.output;
  xml += "</testsuites>\n";
  WriteBytes(JoinPath(kit, L"report.txt"), text + "\n");
  WriteBytes(JoinPath(kit, L"report.xml"), xml);
}

std::vector<std::wstring> Programs(const std::wstring& folder) {
  std::vector<std::wstring> programs;
  for (const std::wstring& name : ListFolder(folder))
    if (name.size() > 4 && EqualsAsciiNoCase(name.substr(name.size() - 4), L".exe") && !IsDirectory(JoinPath(folder, name)))
      programs.push_back(JoinPath(folder, name));
  return programs;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  const bool bench = mode == L"bench";
  bool force = false;
  for (int i = 2; i < argc; ++i) force = force || ::lstrcmpiW(argv[i], L"/force") == 0;
  const std::wstring kit = FolderPart(ModuleFileName(nullptr)), bin = JoinPath(kit, L"bin");
  if (!force || mode == L"check") {
    std::vector<std::wstring> found = InstalledElsewhere(bin);
    if (!found.empty()) {
      Say(L"Not run: タブリノリネーム is installed for this user, and the tests would change it:\r\n");
      for (const std::wstring& what : found) Say(L"  - " + what + L"\r\n");
      Say(L"Press 常駐解除 in its settings first" +
          std::wstring(mode == L"check" ? L".\r\n"
                                        : L", or run \"" + std::wstring(bench ? L"run-benchmarks" : L"run-tests") +
                                              L".cmd /force\": the registration is then put back at the end (a "
                                              L"running host is ended and started again).\r\n"));
      return 2;
    }
    if (mode == L"check") return 0;
  }
  const std::vector<std::wstring> programs = Programs(JoinPath(kit, bench ? L"bench" : L"tests"));
  if (programs.empty()) {
    Say(L"No programs in " + JoinPath(kit, bench ? L"bench" : L"tests") + L".\r\n");
    return 1;
  }

  g_state = std::make_unique<CUserState>(bin);
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  Say(L"タブリノリネーム " + std::wstring(bench ? L"benchmarks" : L"tests") + L" on " + Platform() + L"\r\n");
  std::vector<CRun> runs;
  const ULONGLONG start = ::GetTickCount64();
  std::string figures = "タブリノリネーム benchmarks, " + Now() + ", " + ToUtf8(Platform()) + "\n";
  {
    CTempDir work(L"kit");
    const std::wstring scratch = work / L"scratch";
    for (const std::wstring& exe : programs) {
      if (g_interrupted) break;
      g_state->Clear();
      RemoveTree(scratch);
      ::CreateDirectoryW(scratch.c_str(), nullptr);
      // The program's temporary files go into its scratch folder, and away with it.
      ::SetEnvironmentVariableW(L"TEMP", scratch.c_str());
      ::SetEnvironmentVariableW(L"TMP", scratch.c_str());
      std::wstring name(NamePart(exe));
      Say(Padded(name.substr(0, name.size() - 4), 32));
      runs.push_back(RunProgram(exe, scratch, work.Path(), !bench));
      Say(Padded(runs.back().Verdict() + L" ", 40) + Seconds(runs.back().seconds) + L"\r\n");
      if (bench) figures += "\n== " + ToUtf8(runs.back().name) + "\n" + runs.back().output;
    }
    RemoveTree(scratch);
  }
  RestoreOnce();
  const double seconds = (::GetTickCount64() - start) / 1000.0;
  const bool failed = std::any_of(runs.begin(), runs.end(), [](const CRun& r) { return r.Failed(); });
  if (bench) {
    WriteBytes(JoinPath(kit, L"benchmarks.txt"), figures);
    Say(FromUtf8(figures) + L"\r\nFigures written to " + JoinPath(kit, L"benchmarks.txt") + L"\r\n");
  } else {
    WriteReports(kit, runs, seconds, g_interrupted != 0);
    Say(std::wstring(failed ? L"FAILED" : g_interrupted ? L"INTERRUPTED" : L"PASSED") + L": " +
        std::to_wstring(runs.size()) + L" programs in " + Seconds(seconds) + L". Reports: " +
        JoinPath(kit, L"report.txt") + L", " + JoinPath(kit, L"report.xml") + L"\r\n");
  }
  return failed ? 1 : g_interrupted ? 3 : 0;
}
