#pragma once
// The configuration program as a user meets it: an install folder of the test's own with the
// program, the extension, the host and the recording hook library; its main dialog and pages; and
// the traces it leaves in the system (Run value, registration, resident host).
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "registry_snapshot.h"
#include "windows_probe.h"

constexpr DWORD kUiWaitMs = 15000;
extern const std::wstring kMessageCaption;  // タブリノリネーム
extern const std::wstring kDialogCaption;   // タブリノリネームの設定
extern const std::wstring kMenuCaption;     // 右クリックメニュー拡張の詳細設定
extern const std::wstring kRenameCaption;   // ファイル名変更機能拡張の詳細設定
extern const std::wstring kRunKey;
extern const std::wstring kExtensionClassKey;
// What OK says when both extensions are off.
extern const std::wstring kAllDisabledMessage;

class CConfigInstall {
public:
  // `withHost` false leaves the resident host out of the folder.
  explicit CConfigInstall(const std::wstring& folder, bool withHost = true);

  const std::wstring& Folder() const { return folder_; }
  std::wstring Exe() const;
  std::wstring HostPath() const;
  std::wstring UserFolder() const;
  std::wstring IniPath() const;
  // The Run value the program writes for this folder.
  std::wstring HostCommandLine() const;

  void WriteSettings(const std::string& keys) const;  // lines of the "Default" section
  std::string ReadSettings() const;                   // empty when there is no file
  std::optional<std::string> SettingsValue(const std::string& key) const;
  // What the recording hook library saw, one call name per line ("StartHook", ...).
  std::vector<std::string> HookCalls() const;
  void SetStartHookResults(const std::string& results) const;

  CTestProcess Start(const std::vector<std::wstring>& environment = {}) const;

private:
  std::wstring folder_;
};

// The main dialog of a running program and its controls.
class CConfigWindow {
public:
  // Waits for the dialog; null Hwnd() when it does not appear.
  explicit CConfigWindow(const CTestProcess& program);
  HWND Hwnd() const { return dialog_; }
  HWND Control(int id) const { return FindControl(dialog_, id); }
  std::wstring Text(int id) const { return ControlText(Control(id)); }
  HWND BasicPage() const;
  HWND OptionPage() const;
  int SelectedTab() const;
  // Brings a tab forward as the keyboard does (the arrow keys on the tab control); true when it shows.
  bool ShowTab(int index) const;
  // Presses a 詳細設定 button of the basic page and waits for the dialog with `caption` it opens;
  // null when none shows.
  HWND OpenDetail(int button, const std::wstring& caption) const;

private:
  HWND dialog_ = nullptr;
};

// One key of a keyboard walk through a dialog, and the control that has the focus afterwards (or a
// part of it, such as a combo box's edit field), found anywhere below the dialog.
struct CKeyStep {
  WORD key;
  std::vector<WORD> held;
  int focus;
  // What else the key does, waited for before the focus is read.
  std::function<bool()> effect = {};
};
// Types each step into `dialog`, which must be in front, and reads the focus after it.
::testing::AssertionResult WalkKeys(HWND dialog, const std::vector<CKeyStep>& steps);

// The first box of `program` with the system's caption; null when none shows.
HWND WaitForBox(const CTestProcess& program, DWORD timeoutMs = kUiWaitMs);
// The program's box now, checked (text, buttons, owner) and answered with `answer`. (Its icon cannot
// be told from another process: Wine's icon handles are the loading process's own.)
void ExpectBox(const CTestProcess& program, HWND owner, const std::wstring& text,
               const std::vector<int>& buttons = {IDOK}, int answer = IDOK);
::testing::AssertionResult EndsWithZero(const CTestProcess& program);

// The system as the program leaves it.
std::optional<std::wstring> AutoStartValue();
bool IsExtensionRegistered();
std::optional<std::wstring> RegisteredExtensionPath();
bool IsHostRunning();
// Resident hosts started from `folder` that are alive now.
std::vector<DWORD> HostProcesses(const std::wstring& folder);

// Under Xvfb no window manager answers, and Wine waits 2 s for one to withdraw each window of a
// program that closes; these programs' windows are left unmanaged while the object lives.
class CWithoutWindowManager {
public:
  CWithoutWindowManager();

private:
  std::vector<std::unique_ptr<CRegistrySnapshot>> keys_;
};

// Restores the Run key and the extension's registration, and ends any host from `folder`, when
// it goes: a test leaves the prefix as it found it.
class CResidencyGuard {
public:
  explicit CResidencyGuard(std::wstring folder);
  CResidencyGuard(const CResidencyGuard&) = delete;
  CResidencyGuard& operator=(const CResidencyGuard&) = delete;
  ~CResidencyGuard();
  void StopHosts() const;

private:
  std::wstring folder_;
  std::vector<std::unique_ptr<CRegistrySnapshot>> keys_;
};
