#pragma once
// The main settings dialog: the tab control with the basic and options pages, 常駐解除, OK,
// キャンセル and ヘルプ. OK writes the settings and brings residency and registration in line
// with them; 常駐解除 removes both without saving.
#include <windows.h>

#include "basic_tab_page.h"
#include "config_app.h"
#include "data_exchange.h"
#include "dialog_impl.h"
#include "option_tab_page.h"
#include "settings.h"
#include "tab_page_host.h"

class CConfigDlg : public CDialogImpl, public CWinDataExchange {
public:
  // The record is edited in place; both objects are borrowed.
  CConfigDlg(CConfigApp& app, CSettings& settings);

  // Residency and registration. Each throws a CAppError (or an event error) with the message for
  // the user.
  bool IsAutoStartRegistered();
  // The autostart value exists, or else the context-menu extension is registered.
  bool IsResident();
  void SetAutoStart(bool on);
  void RegisterContextMenuExt(bool on);
  // Returns once the resident host runs and has signalled ready.
  void StartResidentProgram();

  void OnOK();
  void OnRemoveResidency();

  bool WasResident() const { return wasResident_; }

protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool PreTranslateMessage(MSG& msg) override;

private:
  BOOL OnInitDialog();
  // The options page's window, made on first use.
  HWND OptionPage();
  // Steps after the pages have given their values; throws what it meets.
  void ApplySettings();
  void ShowInformation(const std::wstring& text);

  CConfigApp& app_;
  CSettings& settings_;
  HWND tab_ = nullptr;
  HWND removeButton_ = nullptr;
  HWND okButton_ = nullptr;
  HWND cancelButton_ = nullptr;
  CTabPageHost pages_;
  CBasicTabPage basicPage_;
  COptionTabPage optionPage_;
  std::size_t optionTab_ = 0;
  bool wasResident_ = false;
};

// The host's command line, as started and as recorded for logon: "\"<path>\" /START". A line that
// does not fit the classic 260-character buffer is refused with the path error.
std::wstring ResidentCommandLine(const std::wstring& hostPath);
