#include "package_registration.h"

#include <cwchar>
#include <string_view>

#include "class_factory.h"
#include "classic_class.h"
#include "controls.h"
#include "errors.h"
#include "handles.h"
#include "package_identity.h"
#include "package_state.h"
#include "shell_ext_controller.h"
#include "step_failures.h"
#include "text.h"

namespace {

constexpr DWORD kMaxErrorOutput = 64 * 1024;
constexpr DWORD kEndAfterTerminateMs = 5000;
// What the user was told about the top-level entry, in the extension's class key: the classic
// unregistration takes it away with the rest, so nothing of ours stays in the registry.
constexpr const wchar_t* kToldValue = L"TopLevelMenuNotice";

std::wstring TrimEnd(std::wstring text) {
  std::size_t end = text.find_last_not_of(L" \t\r\n");
  text.erase(end == std::wstring::npos ? 0 : end + 1);
  return text;
}

std::wstring Hex(DWORD value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(value));
  return text;
}

// Our scripts write UTF-8, with a byte-order mark; what PowerShell writes itself is in the
// console's (OEM) code page.
std::wstring DecodeOutput(std::string bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
  if (bytes.empty()) return {};
  for (UINT codePage : {static_cast<UINT>(CP_UTF8), ::GetOEMCP()}) {
    DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    int n = ::MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) continue;
    std::wstring text(n, L'\0');
    ::MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return TrimEnd(std::move(text));
  }
  return {};
}

// A new empty file of a unique name in the temporary folder; nothing when none can be made.
std::wstring CreateTempFile() {
  wchar_t folder[MAX_PATH + 1] = {};
  wchar_t name[MAX_PATH + 1] = {};
  if (!::GetTempPathW(ARRAYSIZE(folder), folder) || !::GetTempFileNameW(folder, L"tav", 0, name)) return {};
  return name;
}

// A temporary file the child inherits as its error output; gone with its last handle.
CFileHandle CreateOutputFile() {
  const std::wstring name = CreateTempFile();
  if (name.empty()) return {};
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  CFileHandle file(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file) ::DeleteFileW(name.c_str());
  return file;
}

std::string ReadFromStart(HANDLE file) {
  std::string bytes(kMaxErrorOutput, '\0');
  DWORD read = 0;
  if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !::ReadFile(file, bytes.data(), kMaxErrorOutput, &read, nullptr))
    read = 0;
  bytes.resize(read);
  return bytes;
}

// The file a script's error handler writes the error's message to; removed when done with.
class CMessageFile {
public:
  CMessageFile() : path_(CreateTempFile()), error_(path_.empty() ? ::GetLastError() : 0) {}
  CMessageFile(const CMessageFile&) = delete;
  CMessageFile& operator=(const CMessageFile&) = delete;
  ~CMessageFile() {
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
  }
  const std::wstring& Path() const { return path_; }
  DWORD Error() const { return error_; }
  // What the script wrote; nothing when it wrote nothing.
  std::wstring Read() const {
    CFileHandle file(::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    return file ? DecodeOutput(ReadFromStart(file.Get())) : std::wstring();
  }

private:
  std::wstring path_;
  DWORD error_;
};

bool PackageFilePresent(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// `message`: what the script's error handler wrote; else what PowerShell wrote to its error output.
CPackageFailure RunFailure(const CProgramRun& run, const std::wstring& message, CPackageStep step,
                           const std::wstring& program) {
  switch (run.end) {
    case CProgramRun::CEnd::NotStarted:
      return {TrimEnd(SystemMessage(run.code)) + L"\n【パス】" + program, L"start:" + Hex(run.code)};
    case CProgramRun::CEnd::TimedOut:
      return {FillPlaceholder(L"PowerShellが%s秒以内に終了しなかったため、処理を中止しました。",
                              std::to_wstring(kPowerShellTimeoutMs / 1000)),
              L"timeout"};
    case CProgramRun::CEnd::Exited:
      break;
  }
  if (!message.empty()) return {message, L"exit:" + Hex(run.code)};
  if (!run.errorOutput.empty()) return {run.errorOutput, L"exit:" + Hex(run.code)};
  return {FillPlaceholder(step == CPackageStep::Add
                              ? L"PowerShellは終了コード%sで終了しましたが、パッケージはこのフォルダに登録されていません。"
                              : L"PowerShellは終了コード%sで終了しましたが、パッケージは登録されたままです。",
                          Hex(run.code)),
          L"exit:" + Hex(run.code)};
}

std::optional<std::wstring> ToldKey() {
  CRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, ClassicClassKeyPath().c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
    return std::nullopt;
  wchar_t text[256] = {};
  DWORD type = 0, size = sizeof text - sizeof(wchar_t);
  if (::RegQueryValueExW(key.Get(), kToldValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  return std::wstring(text);
}

// Kept only while the class key exists: never made by us alone.
void RememberTold(const std::wstring* told) {
  CRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, ClassicClassKeyPath().c_str(), 0, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS)
    return;
  if (!told) {
    ::RegDeleteValueW(key.Get(), kToldValue);
    return;
  }
  ::RegSetValueExW(key.Get(), kToldValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(told->c_str()),
                   static_cast<DWORD>((told->size() + 1) * sizeof(wchar_t)));
}

// Told once for one cause; again when the cause changes, or after a success.
std::optional<std::wstring> NoticeOnce(const std::optional<CPackageFailure>& failure) {
  if (!failure) {
    if (ToldKey()) RememberTold(nullptr);
    return std::nullopt;
  }
  if (ToldKey() == failure->key) return std::nullopt;
  RememberTold(&failure->key);
  return FillPlaceholder(
      L"Windows 11の右クリックメニューにタブリノリネームの項目を追加できませんでした。\n【内容】%s\n"
      L"※パッケージに署名した証明書がこのPCで信頼されていない場合は、管理者がその証明書を"
      L"「信頼されたユーザー」に登録すると追加できるようになります。\n"
      L"※それまでは「その他のオプションを確認」で開くメニューから、これまでどおりご利用いただけます。",
      failure->reason);
}

}  // namespace

CProgramRun RunHidden(const std::wstring& program, const std::wstring& commandLine, DWORD timeoutMs) {
  CProgramRun run;
  // Read after the end, a file can never fill up as a pipe would and stall the program.
  CFileHandle errors = CreateOutputFile();
  if (!errors) {
    run.code = ::GetLastError();
    return run;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = errors.Get();
  std::wstring mutableLine = commandLine;
  PROCESS_INFORMATION info{};
  // The file is the only handle of ours that can be inherited.
  if (!::CreateProcessW(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
    run.code = ::GetLastError();
    return run;
  }
  CHandle process(info.hProcess);
  CHandle thread(info.hThread);
  if (::WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0) {
    run.end = CProgramRun::CEnd::Exited;
    ::GetExitCodeProcess(process.Get(), &run.code);
  } else {
    run.end = CProgramRun::CEnd::TimedOut;
    ::TerminateProcess(process.Get(), ERROR_TIMEOUT);
    ::WaitForSingleObject(process.Get(), kEndAfterTerminateMs);
  }
  run.errorOutput = DecodeOutput(ReadFromStart(errors.Get()));
  return run;
}

std::wstring PowerShellPath() {
  wchar_t system[MAX_PATH + 1] = {};
  UINT n = ::GetSystemDirectoryW(system, ARRAYSIZE(system));
  if (n == 0 || n >= ARRAYSIZE(system)) throw CSystemError(::GetLastError());
  return JoinPath(system, L"WindowsPowerShell\\v1.0\\powershell.exe");
}

CProgramRun CSystemPackageDeployment::Run(const std::wstring& program, const std::wstring& commandLine,
                                          DWORD timeoutMs) {
  // The dialog cannot answer while PowerShell works; the cursor says so.
  CWaitCursor wait;
  return RunHidden(program, commandLine, timeoutMs);
}

std::optional<std::wstring> CSystemPackageDeployment::RegisteredFolder() { return RegisteredPackageFolder(); }

std::vector<std::wstring> CSystemPackageDeployment::RegisteredPackages() { return RegisteredPackageFullNames(); }

void CSystemPackageDeployment::Pause(DWORD ms) {
  CWaitCursor wait;
  ::Sleep(ms);
}

CPackageRegistration::CPackageRegistration(IPackageDeployment& deployment, DWORD build, std::wstring folder)
    : deployment_(deployment), build_(build), folder_(std::move(folder)) {}

std::optional<CPackageFailure> CPackageRegistration::Apply(bool wanted) {
  CPackageFacts facts;
  facts.topLevelMenu = HasTopLevelMenu(build_);
  std::optional<std::wstring> registered;
  if (facts.topLevelMenu) registered = deployment_.RegisteredFolder();  // Windows 10 is never asked
  facts.packageFilePresent = PackageFilePresent(JoinPath(folder_, kPackageFileName));
  facts.registered = registered.has_value();
  facts.registeredHere = TopLevelMenuServes(folder_, build_, registered);
  for (CPackageStep step : PackagePlan(facts, wanted))
    if (std::optional<CPackageFailure> failure = Take(step)) return failure;
  return std::nullopt;
}

bool CPackageRegistration::Done(CPackageStep step) {
  if (step == CPackageStep::Add) return TopLevelMenuServes(folder_, build_, deployment_.RegisteredFolder());
  return deployment_.RegisteredPackages().empty() && !deployment_.RegisteredFolder();
}

std::optional<CPackageFailure> CPackageRegistration::Take(CPackageStep step) {
  const std::wstring powershell = PowerShellPath();
  const bool add = step == CPackageStep::Add;
  std::vector<std::wstring> ours;
  if (!add) {
    ours = deployment_.RegisteredPackages();
    if (ours.empty()) {
      if (Done(step)) return std::nullopt;
      return CPackageFailure{L"Windowsがパッケージの完全名を返しませんでした。", L"names"};
    }
  }
  CMessageFile message;
  if (message.Path().empty())
    return RunFailure({CProgramRun::CEnd::NotStarted, message.Error(), L""}, L"", step, powershell);
  std::optional<std::wstring> commandLine = PowerShellCommandLine(
      powershell, add ? AddPackageScript(JoinPath(folder_, kPackageFileName), folder_, message.Path())
                      : RemovePackagesScript(ours, message.Path()));
  if (!commandLine)
    return CPackageFailure{FillPlaceholder(L"PowerShellに渡せない文字がパスに含まれています。\n【パス】%s", folder_),
                           L"path"};
  if (add) ForgetTopLevelMenuRecord();  // a new registration: what Windows showed before counts no more
  CProgramRun run = deployment_.Run(powershell, *commandLine, kPowerShellTimeoutMs);
  // Windows decides, not the exit code; a deployment may outlive the PowerShell ended at the limit.
  bool done = Done(step);
  for (DWORD waited = 0; !done && run.end == CProgramRun::CEnd::TimedOut && waited < kSettleMs;
       waited += kSettlePollMs) {
    deployment_.Pause(kSettlePollMs);
    done = Done(step);
  }
  if (done) return std::nullopt;
  return RunFailure(run, message.Read(), step, powershell);
}

std::optional<std::wstring> UpdateContextMenuRegistration(bool on, CPackageRegistration& package) {
  IShellExtController* classic = GetShellExtController();
  if (on) {
    if (!classic->Register()) throw CAppError(L"コンテキストメニュー拡張の登録処理に失敗しました。");
    return NoticeOnce(package.Apply(true));
  }
  CStepFailures failures;
  if (std::optional<CPackageFailure> failure = package.Apply(false))
    failures.Add(FillPlaceholder(L"Windows 11の右クリックメニューからタブリノリネームの項目を削除できませんでした。\n【内容】%s",
                                 failure->reason));
  if (!classic->Unregister()) failures.Add(L"コンテキストメニュー拡張の登録解除処理に失敗しました。");
  failures.ThrowIfAny();
  return std::nullopt;
}
