#include "config_program.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <sstream>
#include <stdexcept>

#include "errors.h"
#include "events.h"
#include "resource.h"
#include "test_support.h"
#include "text.h"

const std::wstring kMessageCaption = L"タブリノリネーム";
const std::wstring kDialogCaption = L"タブリノリネームの設定";
const std::wstring kMenuCaption = L"右クリックメニュー拡張の詳細設定";
const std::wstring kRenameCaption = L"ファイル名変更機能拡張の詳細設定";
const std::wstring kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kExtensionClassKey = L"Software\\Classes\\CLSID\\{7C2D5A91-3E48-4F06-B1A7-5D9E24C8F013}";
const std::wstring kAllDisabledMessage =
    L"タブリノリネームの機能拡張は全て無効になっています。\n"
    L"※レジストリへの登録も解除されていますので、本プログラムを安全に削除していただけます。\n"
    L"※DLLが使用中で削除できない場合には、Windowsを再起動またはログオフしてから再度削除を行ってください。";

namespace {

std::wstring LogonUserName() {
  wchar_t name[257] = {};
  DWORD size = ARRAYSIZE(name);
  ::GetUserNameW(name, &size);
  return name;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && ::_wcsnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

}  // namespace

CConfigInstall::CConfigInstall(const std::wstring& folder, bool withHost) : folder_(folder) {
  CopyDeliverables(folder_, {L"tavrino.exe", L"tavrino_shellext.dll"});
  if (withHost) {
    CopyDeliverables(folder_, {L"tavrino_main.exe"});
    std::wstring recorder = JoinPath(TestDir(), L"hook_recorder\\tavrino_main.dll");
    if (!::CopyFileW(recorder.c_str(), JoinPath(folder_, L"tavrino_main.dll").c_str(), FALSE))
      throw std::runtime_error("cannot copy the recording hook library");
  }
}

std::wstring CConfigInstall::Exe() const { return JoinPath(folder_, L"tavrino.exe"); }
std::wstring CConfigInstall::HostPath() const { return JoinPath(folder_, L"tavrino_main.exe"); }
std::wstring CConfigInstall::UserFolder() const { return JoinPath(folder_, L"userdata\\" + LogonUserName()); }
std::wstring CConfigInstall::IniPath() const { return JoinPath(UserFolder(), L"tavrino.ini"); }
std::wstring CConfigInstall::HostCommandLine() const { return L"\"" + HostPath() + L"\" /START"; }

void CConfigInstall::WriteSettings(const std::string& keys) const {
  ::CreateDirectoryW(JoinPath(folder_, L"userdata").c_str(), nullptr);
  ::CreateDirectoryW(UserFolder().c_str(), nullptr);
  WriteBytes(IniPath(), "[Default]\r\n" + keys);
}

std::string CConfigInstall::ReadSettings() const { return PathExists(IniPath()) ? ReadBytes(IniPath()) : ""; }

std::optional<std::string> CConfigInstall::SettingsValue(const std::string& key) const {
  std::istringstream lines(ReadSettings());
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(key + "=", 0) == 0) return ToUtf8(FromThreadAnsi(line.substr(key.size() + 1)));
  }
  return std::nullopt;
}

std::vector<std::string> CConfigInstall::HookCalls() const {
  std::wstring log = JoinPath(folder_, L"hook_recorder.log");
  std::vector<std::string> calls;
  if (!PathExists(log)) return calls;
  std::istringstream lines(ReadBytes(log));
  for (std::string line; std::getline(lines, line);) calls.push_back(line.substr(0, line.find('\t')));
  return calls;
}

void CConfigInstall::SetStartHookResults(const std::string& results) const {
  WriteBytes(JoinPath(folder_, L"hook_recorder_results.txt"), results);
}

CTestProcess CConfigInstall::Start(const std::vector<std::wstring>& environment) const {
  return CTestProcess::WithEnvironment(Exe(), L"", environment);
}

CConfigWindow::CConfigWindow(const CTestProcess& program)
    : dialog_(WaitForMessageBox(program.Id(), kDialogCaption, kUiWaitMs)) {}

HWND CConfigWindow::BasicPage() const { return ::GetParent(Control(IDC_RENAME_EXT_ENABLE)); }
HWND CConfigWindow::OptionPage() const { return ::GetParent(Control(IDC_DATE_FORMAT)); }
int CConfigWindow::SelectedTab() const {
  return static_cast<int>(::SendMessageW(Control(IDC_TAB), TCM_GETCURSEL, 0, 0));
}

bool CConfigWindow::ShowTab(int index) const {
  HWND tab = Control(IDC_TAB);
  for (int tries = 0; tries < 8 && SelectedTab() != index; ++tries) {
    WPARAM key = SelectedTab() < index ? VK_RIGHT : VK_LEFT;
    ::SendMessageW(tab, WM_KEYDOWN, key, 0);
    ::SendMessageW(tab, WM_KEYUP, key, 0xC0000000);
  }
  return SelectedTab() == index && ::IsWindowVisible(index == 0 ? BasicPage() : OptionPage());
}

HWND CConfigWindow::OpenDetail(int button, const std::wstring& caption) const {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(dialog_, &processId);
  Click(Control(button));
  return WaitForMessageBox(processId, caption, kUiWaitMs);
}

::testing::AssertionResult WalkKeys(HWND dialog, const std::vector<CKeyStep>& steps) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const CKeyStep& step = steps[i];
    TypeKey(step.key, step.held);
    if (step.effect && !WaitUntil(step.effect, kUiWaitMs))
      return ::testing::AssertionFailure() << "step " << i << ": the key did nothing";
    HWND expected = FindControl(dialog, step.focus);
    auto arrived = [&] {
      HWND focus = FocusOf(dialog);
      return focus && (focus == expected || ::IsChild(expected, focus));
    };
    if (!expected || !WaitUntil(arrived, kUiWaitMs))
      return ::testing::AssertionFailure() << "step " << i << ": the focus is on " << Describe(FocusOf(dialog))
                                           << ", not on control " << step.focus;
  }
  return ::testing::AssertionSuccess();
}

HWND WaitForBox(const CTestProcess& program, DWORD timeoutMs) {
  return WaitForMessageBox(program.Id(), kMessageCaption, timeoutMs);
}

void ExpectBox(const CTestProcess& program, HWND owner, const std::wstring& text, const std::vector<int>& buttons,
               int answer) {
  HWND box = WaitForBox(program);
  ASSERT_NE(box, nullptr) << "no message box; expected " << U8(text);
  EXPECT_EQ(U8(MessageBoxText(box)), U8(text));
  EXPECT_EQ(MessageBoxButtons(box), buttons);
  EXPECT_EQ(::GetWindow(box, GW_OWNER), owner);
  AnswerMessageBox(box, answer);
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, kUiWaitMs));
}

::testing::AssertionResult EndsWithZero(const CTestProcess& program) {
  std::optional<DWORD> code = program.WaitForExit(kUiWaitMs);
  if (!code) return ::testing::AssertionFailure() << "the program is still running";
  if (*code != 0) return ::testing::AssertionFailure() << "exit code " << *code;
  return ::testing::AssertionSuccess();
}

std::optional<std::wstring> AutoStartValue() { return RegistryString(HKEY_CURRENT_USER, kRunKey, L"tavrino"); }

bool IsExtensionRegistered() { return RegistryKeyExists(HKEY_CURRENT_USER, kExtensionClassKey); }

std::optional<std::wstring> RegisteredExtensionPath() {
  return RegistryString(HKEY_CURRENT_USER, kExtensionClassKey + L"\\InprocServer32", nullptr);
}

bool IsHostRunning() { return NamedEventExists(kReadyEventName); }

std::vector<DWORD> HostProcesses(const std::wstring& folder) {
  std::vector<DWORD> ids;
  CHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.Get() == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
    if (::_wcsicmp(entry.szExeFile, L"tavrino_main.exe") != 0) continue;
    CHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    wchar_t image[MAX_PATH * 4] = {};
    DWORD size = ARRAYSIZE(image);
    if (process && ::QueryFullProcessImageNameW(process.Get(), 0, image, &size) &&
        StartsWithNoCase(image, folder + L"\\") && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT)
      ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

CWithoutWindowManager::CWithoutWindowManager() {
  if (!RunsOnWine()) return;  // Windows has its window manager; the key is Wine's
  for (const wchar_t* program : {L"tavrino.exe", L"tavrino_main.exe"}) {
    std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + program + L"\\X11 Driver";
    keys_.push_back(std::make_unique<CRegistrySnapshot>(HKEY_CURRENT_USER, key));
    SetRegistryString(HKEY_CURRENT_USER, key, L"Managed", L"N");
  }
}

CResidencyGuard::CResidencyGuard(std::wstring folder) : folder_(std::move(folder)) {
  keys_.push_back(std::make_unique<CRegistrySnapshot>(HKEY_CURRENT_USER, kRunKey));
  for (const std::wstring& key : TestedUserKeys())
    keys_.push_back(std::make_unique<CRegistrySnapshot>(HKEY_CURRENT_USER, key));
}

void CResidencyGuard::StopHosts() const {
  SignalNamedEvent(kStopEventName);
  if (WaitUntil([&] { return HostProcesses(folder_).empty(); }, kUiWaitMs)) return;
  // One that shows a message and waits for an answer; ours, since it runs from our folder.
  for (DWORD id : HostProcesses(folder_)) {
    CHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) continue;
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), 10000);
  }
}

CResidencyGuard::~CResidencyGuard() {
  try {
    StopHosts();
  } catch (...) {
  }
  keys_.clear();
}
