// The configuration program: one instance at a time, the data folders, the settings, the dialog.
// It ends with exit code 0 on every path.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "config_app.h"
#include "config_dlg.h"
#include "errors.h"
#include "events.h"
#include "settings.h"

namespace {

// The shell's "open" of the maker's link may go through COM.
class CComApartment {
public:
  CComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  CComApartment(const CComApartment&) = delete;
  CComApartment& operator=(const CComApartment&) = delete;
  ~CComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }

private:
  HRESULT result_;
};

void RunConfigProgram() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;  // list view, tree view, bars, tab, up-down, progress, hot key, animation
  ::InitCommonControlsEx(&controls);

  CHandle running;
  try {
    // A second start ends silently; the first one's window is not brought forward.
    if (NamedEventExists(kConfigRunningEventName)) return;
    running = CreateNamedEvent(kConfigRunningEventName, false);
    // Another start that got between the probe and the creation owns it.
    if (::GetLastError() == ERROR_ALREADY_EXISTS) return;
  } catch (const std::exception& e) {
    ShowStageError(L"多重起動チェック時にエラーが発生しました。\n【内容】%s", e);
    return;
  }

  CComApartment com;
  CConfigApp app;
  try {
    app.CreateDataFolders();
  } catch (const std::exception& e) {
    ShowStageError(L"アプリケーションの初期化時にエラーが発生しました。\n【内容】%s", e);
    return;
  }
  CSettings settings;
  try {
    settings.SetIniFilePath(app.GetIniFilePath());
    // A save ended in the middle (the program or the machine stopped) leaves its temporary file.
    RemoveSaveLeftovers(settings.GetIniFilePath());
    LoadSettingsChecked(settings);
  } catch (const std::exception& e) {
    ShowStageError(L"設定データのロード時にエラーが発生しました。\n【内容】%s", e);
    return;
  }
  CConfigDlg dialog(app, settings);
  dialog.DoModal(::GetActiveWindow());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    RunConfigProgram();
  } catch (...) {
    // Exit code 0 on every path; each stage has shown its own message already.
  }
  return 0;
}
