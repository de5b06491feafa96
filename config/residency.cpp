// What OK and 常駐解除 do to the system: the settings file, the resident host, its autostart
// value in the Run key and the context-menu extension's registration (on Windows 11 its package too).
#include <string>
#include <string_view>

#include "config_dlg.h"
#include "controls.h"
#include "errors.h"
#include "events.h"
#include "handles.h"
#include "package_registration.h"
#include "package_state.h"
#include "shell_ext_controller.h"
#include "step_failures.h"
#include "text.h"

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kAutoStartValue = L"tavrino";
constexpr DWORD kHostIdleTimeoutMs = 10000;
constexpr DWORD kListenPollMs = 20;

std::wstring FillPlaceholders(std::wstring_view templ, std::wstring_view first, std::wstring_view second) {
  std::size_t split = templ.find(L"%s") + 2;
  return FillPlaceholder(templ.substr(0, split), first) + FillPlaceholder(templ.substr(split), second);
}

CRegKey OpenRunKey() {
  CRegKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
    throw CAppError(FillPlaceholder(L"レジストリキー%sをオープンできません。", kRunKey));
  return key;
}

std::wstring ProductMessage(const wchar_t* templ) { return FillPlaceholder(templ, kCaption); }

// Sets the restart event of the host that holds the ready event as soon as its monitor has made
// it again. False when that host ends, or does not listen within `timeoutMs`.
bool RestartOnceListening(DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (SignalNamedEvent(kRestartEventName)) return true;
    if (!NamedEventExists(kReadyEventName) || ::GetTickCount64() >= deadline) return false;
    ::Sleep(kListenPollMs);
  }
}

}  // namespace

std::wstring ResidentCommandLine(const std::wstring& hostPath) {
  std::wstring commandLine = L"\"" + hostPath + L"\" /START";
  if (!FitsMaxPath(commandLine)) ThrowPathTooLong(hostPath);
  return commandLine;
}

bool CConfigDlg::IsAutoStartRegistered() {
  CRegKey key = OpenRunKey();
  return ::RegQueryValueExW(key.Get(), kAutoStartValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool CConfigDlg::IsResident() { return IsAutoStartRegistered() || GetShellExtController()->IsRegistered(); }

void CConfigDlg::SetAutoStart(bool on) {
  CRegKey key = OpenRunKey();
  if (on) {
    std::wstring commandLine = ResidentCommandLine(app_.GetResidentProgramPath());
    ::RegSetValueExW(key.Get(), kAutoStartValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(commandLine.c_str()),
                     static_cast<DWORD>((commandLine.size() + 1) * sizeof(wchar_t)));
  } else {
    ::RegDeleteValueW(key.Get(), kAutoStartValue);
  }
}

void CConfigDlg::RegisterContextMenuExt(bool on) {
  CSystemPackageDeployment system;
  CPackageRegistration package(system, RealWindowsBuild(), app_.ModuleFolder());
  if (std::optional<std::wstring> notice = UpdateContextMenuRegistration(on, package)) ShowInformation(*notice);
}

void CConfigDlg::StartResidentProgram() {
  const std::wstring host = app_.GetResidentProgramPath();
  // Refused before anything starts when it does not fit the buffer.
  std::wstring commandLine = ResidentCommandLine(host);
  commandLine.reserve(MAX_PATH);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    throw CAppError(FillPlaceholders(L"%sの起動に失敗しました。\n【内容】%s", host, SystemMessage(::GetLastError())));
  CHandle process(info.hProcess);
  CHandle thread(info.hThread);

  // The dialog cannot answer while it waits; the cursor says so.
  CWaitCursor wait;
  if (::WaitForInputIdle(process.Get(), kHostIdleTimeoutMs) == WAIT_TIMEOUT)
    throw CAppError(FillPlaceholder(L"%sの起動がタイムアウトしました。", host));

  // A host that only probes and ends never waits for input: the wait returned with its end.
  const bool ended = ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
  CHandle ready = OpenNamedEvent(kReadyEventName);
  if (ended && ready) {
    // Ours found a host already there, between two cycles while its restart event was absent, and
    // ended as a second instance. That host may have loaded the settings before they were saved:
    // it is told to reload them as soon as it listens again.
    ready.Reset();
    if (!RestartOnceListening(kHostIdleTimeoutMs))
      throw CAppError(FillPlaceholder(L"%sを正常に起動できませんでした。", host));
    return;
  }
  if (!ready || !IsEventSignalled(ready.Get()))
    throw CAppError(FillPlaceholder(L"%sを正常に起動できませんでした。", host));
}

void CConfigDlg::ApplySettings() {
  {
    // The save waits a moment for a program that holds the file.
    CWaitCursor wait;
    SaveSettings(settings_);
  }
  if (settings_.enableExplorerRenameExt) {
    if (CHandle restart = OpenNamedEvent(kRestartEventName))
      SetNamedEvent(restart.Get());  // the running host reloads what was just saved
    else
      StartResidentProgram();
    SetAutoStart(true);
  } else {
    SetAutoStart(false);
    if (CHandle stop = OpenNamedEvent(kStopEventName)) SetNamedEvent(stop.Get());
  }
  RegisterContextMenuExt(settings_.enableContextMenuExt);

  if (!settings_.enableExplorerRenameExt && !settings_.enableContextMenuExt)
    ShowInformation(ProductMessage(
        L"%sの機能拡張は全て無効になっています。\n"
        L"※レジストリへの登録も解除されていますので、本プログラムを安全に削除していただけます。\n"
        L"※DLLが使用中で削除できない場合には、Windowsを再起動またはログオフしてから再度削除を行ってください。"));
  else if (!wasResident_)
    ShowInformation(ProductMessage(
        L"%sの常駐を開始しました。\n"
        L"本プログラムはレジストリに登録され、次回からのWindows起動時にも自動的に常駐します。\n"
        L"常駐を解除するには、設定画面で全ての機能拡張を無効にするか、常駐解除ボタンを押してください。"));
  EndDialog(0);
}

void CConfigDlg::OnOK() {
  basicPage_.Gather();
  if (OptionPage() && !optionPage_.GatherAndValidate()) {
    pages_.SelectPage(optionPage_.Hwnd());
    return;
  }
  try {
    ApplySettings();
  } catch (const std::exception& e) {
    // What was done stays done; OK again repeats every step.
    ShowErrorBox(Hwnd(), ErrorText(e));
  }
}

void CConfigDlg::OnRemoveResidency() {
  if (::MessageBoxW(Hwnd(), ProductMessage(L"%sの常駐を解除します。\nよろしいですか？").c_str(), kCaption,
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  // Every step is taken even when one fails: what can be removed is removed, and the host stops.
  CStepFailures failures;
  failures.Run([&] { SetAutoStart(false); });
  failures.Run([&] { RegisterContextMenuExt(false); });
  try {
    if (CHandle stop = OpenNamedEvent(kStopEventName)) ::SetEvent(stop.Get());
  } catch (const std::exception&) {
    // A host that cannot be told to stop is not this step's to report.
  }
  if (!failures.Empty()) {
    // Not removed: the dialog stays, so that 常駐解除 can be pressed again once the cause is gone.
    ShowErrorBox(Hwnd(), failures.Text());
    return;
  }
  ShowInformation(ProductMessage(
      L"%sの常駐が解除されました。\n"
      L"※レジストリへの登録も解除されていますので、本プログラムを安全に削除していただけます。\n"
      L"※DLLが使用中で削除できない場合には、Windowsを再起動またはログオフしてから再度削除を行ってください。"));
  // The settings file keeps its values: a later OK installs again.
  EndDialog(0);
}
