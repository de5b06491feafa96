#include "basic_tab_page.h"

#include "context_menu_ext_config_dlg.h"
#include "controls.h"
#include "display_scale.h"
#include "rename_ext_config_dlg.h"
#include "resource.h"
#include "version.h"

namespace {

// The controls of each row of 機能拡張設定, after the row's label.
constexpr struct {
  int radios[2];
  int detail;
} kRows[] = {{{IDC_RENAME_EXT_ENABLE, IDC_RENAME_EXT_DISABLE}, IDC_RENAME_EXT_DETAIL},
             {{IDC_CONTEXT_MENU_ENABLE, IDC_CONTEXT_MENU_DISABLE}, IDC_CONTEXT_MENU_DETAIL}};

// Empty in this release; a prerelease would carry its name here.
constexpr const wchar_t* kReleaseSuffix = L"";

// A detail dialog belongs to the window the user is working in; the page's own top-level window
// when this thread has no active window (the page is a child, never an owner).
HWND DetailOwner(HWND page) {
  HWND active = ::GetActiveWindow();
  return active ? active : ::GetAncestor(page, GA_ROOT);
}

}  // namespace

std::wstring VersionLabel(int major, int minor, int build, std::wstring_view suffix) {
  std::wstring label = L"Ver." + std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build);
  if (!suffix.empty()) label.append(L" ").append(suffix);
  return label + L" (x64)";
}

CBasicTabPage::CBasicTabPage(CConfigApp& app, CSettings& settings)
    : CDialogImpl(IDD_BASIC_PAGE), app_(app), settings_(settings) {}

void CBasicTabPage::OnInitPage() {
  renameExtDetail_ = Item(IDC_RENAME_EXT_DETAIL);
  contextMenuDetail_ = Item(IDC_CONTEXT_MENU_DETAIL);
  version_ = Item(IDC_VERSION);
  status_ = Item(IDC_RESIDENCY_STATUS);
  link_.SubclassWindow(Item(IDC_WEB_LINK));
  // The static loaded the icon at the system's icon size; this one is drawn for the page's DPI.
  icon_.Reset(LoadIconForWindow(Hwnd(), ThisModule(), IDI_PRODUCT, 32));
  if (icon_) ::SendMessageW(Item(IDC_PRODUCT_ICON), STM_SETICON, reinterpret_cast<WPARAM>(icon_.Get()), 0);
  // Both rows have the same "有効", "無効" and "詳細設定": a screen reader hears the row with them.
  for (const auto& row : kRows) {
    std::wstring feature = LabelText(LabelBefore(Item(row.radios[0])));
    for (int radio : row.radios) AccessibleNames().Set(Item(radio), feature + L" " + WindowText(Item(radio)));
    AccessibleNames().Set(Item(row.detail), feature + L"の" + WindowText(Item(row.detail)));
  }
}

void CBasicTabPage::Initialize(bool wasResident) {
  ::SetWindowTextW(version_,
                   VersionLabel(TAVRINO_VERSION_MAJOR, TAVRINO_VERSION_MINOR, TAVRINO_VERSION_BUILD, kReleaseSuffix)
                       .c_str());
  link_.SetHyperLink(kMakerWebAddress);
  renameExtChoice_ = settings_.enableExplorerRenameExt ? 0 : 1;
  contextMenuChoice_ = settings_.enableContextMenuExt ? 0 : 1;
  ::SetWindowTextW(status_, wasResident ? L"（※現在常駐しています）" : L"（※現在常駐していません）");
  DdxRadio(Hwnd(), IDC_RENAME_EXT_ENABLE, renameExtChoice_, false);
  DdxRadio(Hwnd(), IDC_CONTEXT_MENU_ENABLE, contextMenuChoice_, false);
  for (HWND filled : {version_, status_}) FitLabel(filled);
}

bool CBasicTabPage::Gather() {
  DdxRadio(Hwnd(), IDC_RENAME_EXT_ENABLE, renameExtChoice_, true);
  DdxRadio(Hwnd(), IDC_CONTEXT_MENU_ENABLE, contextMenuChoice_, true);
  settings_.enableExplorerRenameExt = renameExtChoice_ == 0;
  settings_.enableContextMenuExt = contextMenuChoice_ == 0;
  return true;
}

INT_PTR CBasicTabPage::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitPage();
      return FALSE;  // the main dialog places the focus
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_RENAME_EXT_DETAIL: {
          CRenameExtConfigDlg dialog(app_, settings_);
          dialog.DoModal(DetailOwner(Hwnd()));
          return TRUE;
        }
        case IDC_CONTEXT_MENU_DETAIL: {
          CContextMenuExtConfigDlg dialog(app_, settings_);
          dialog.DoModal(DetailOwner(Hwnd()));
          return TRUE;
        }
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}
