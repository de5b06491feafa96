#include "config_dlg.h"

#include <commctrl.h>

#include "errors.h"
#include "resource.h"

CConfigDlg::CConfigDlg(CConfigApp& app, CSettings& settings)
    : CDialogImpl(IDD_CONFIG),
      app_(app),
      settings_(settings),
      basicPage_(app, settings),
      optionPage_(app, settings) {}

BOOL CConfigDlg::OnInitDialog() {
  tab_ = Item(IDC_TAB);
  removeButton_ = Item(IDC_REMOVE_RESIDENCY);
  okButton_ = Item(IDOK);
  cancelButton_ = Item(IDCANCEL);
  pages_.Attach(tab_);

  try {
    wasResident_ = IsResident();
  } catch (const std::exception& e) {
    // The Run key cannot be read: say so, and open as not resident.
    ShowErrorBox(Hwnd(), ErrorText(e));
    wasResident_ = false;
  }
  ::EnableWindow(removeButton_, wasResident_);

  if (basicPage_.Create(Hwnd())) {
    basicPage_.Initialize(wasResident_);
    pages_.AddPage(basicPage_.Hwnd());
  }
  // Made when its tab is first shown or OK needs it, so that the dialog opens sooner; its clock was
  // read with the dialog object.
  optionTab_ = pages_.Count();
  pages_.AddDeferredPage(optionPage_.TemplateCaption(), [this] {
    HWND page = optionPage_.Create(Hwnd());
    if (page) optionPage_.InitializeFromSettings();
    return page;
  });
  pages_.ShowSelected();
  return TRUE;
}

HWND CConfigDlg::OptionPage() { return pages_.Page(optionTab_); }

void CConfigDlg::ShowInformation(const std::wstring& text) {
  ::MessageBoxW(Hwnd(), text.c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
}

bool CConfigDlg::PreTranslateMessage(MSG& msg) {
  return pages_.TranslatePageKey(msg) || CDialogImpl::PreTranslateMessage(msg);
}

INT_PTR CConfigDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_HELP:
      // F1 anywhere in the dialog, as the ヘルプ button.
      app_.ShowHelp(kHelpTopicMainDialog);
      return TRUE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == tab_ && header->code == TCN_SELCHANGE) {
        pages_.ShowSelected();
        return TRUE;
      }
      break;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnOK();
          return TRUE;
        case IDCANCEL:
          EndDialog(0);
          return TRUE;
        case IDC_REMOVE_RESIDENCY:
          OnRemoveResidency();
          return TRUE;
        case IDC_HELP_BUTTON:
          app_.ShowHelp(kHelpTopicMainDialog);
          return TRUE;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}
