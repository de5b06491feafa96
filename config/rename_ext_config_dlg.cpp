#include "rename_ext_config_dlg.h"

#include <commctrl.h>

#include "controls.h"
#include "resource.h"

namespace {

// Each check box and the field of the record it stands for.
constexpr struct {
  int id;
  bool CSettings::*field;
} kSwitches[CRenameExtConfigDlg::kSwitchCount] = {
    {IDC_SELECT_EXCEPT_PERIOD, &CSettings::renameExtSelectExceptPeriod},
    {IDC_EXTEND_HOME_END, &CSettings::renameExtExtendHomeEnd},
    {IDC_HOME_END_IN_SELECTION, &CSettings::renameExtHomeEndInSelection},
    {IDC_INSERT_DATE, &CSettings::renameExtInsertDate},
    {IDC_INSERT_DATE_TIME_IN_SHIFT, &CSettings::renameExtInsertDateTimeInShift},
    {IDC_RENAME_ADD_CONNECTION, &CSettings::renameExtAddUnderbarOnDate},
    {IDC_CLEAR_IN_TAB, &CSettings::renameExtClearInTab},
    {IDC_ENABLE_AT_ALL_EDIT, &CSettings::renameExtEnableExtAtAllEdit},
};

// A box that depends on another is usable only while that one is checked; it keeps its mark.
constexpr struct {
  int id;
  int dependsOn;
} kDependencies[] = {
    {IDC_HOME_END_IN_SELECTION, IDC_EXTEND_HOME_END},
    {IDC_INSERT_DATE_TIME_IN_SHIFT, IDC_INSERT_DATE},
    {IDC_RENAME_ADD_CONNECTION, IDC_INSERT_DATE},
};

constexpr int kPartColumnWidth = 100;  // pixels at 96 DPI

}  // namespace

CRenameExtConfigDlg::CRenameExtConfigDlg(CConfigApp& app, CSettings& settings)
    : CDialogImpl(IDD_RENAME_EXT_CONFIG), app_(app), settings_(settings), model_(L"", L"") {}

BOOL CRenameExtConfigDlg::OnInitDialog() {
  parts_.Attach(Item(IDC_PART_LIST));
  up_ = Item(IDC_PART_UP);
  down_ = Item(IDC_PART_DOWN);
  ok_ = Item(IDOK);
  cancel_ = Item(IDCANCEL);
  help_ = Item(IDC_HELP_BUTTON);
  for (std::size_t i = 0; i < kSwitchCount; ++i) switchBoxes_[i] = Item(kSwitches[i].id);
  CenterOverOwner(Hwnd());

  // Only the group box stands before the list: it names the list for a screen reader.
  AccessibleNames().SetFromLabel(parts_.Hwnd());
  parts_.SetSingleColumn(kPartColumnWidth);
  model_ = CNamePartsModel(settings_.renameExtFileNamePartSelectOrder, settings_.renameExtFileNamePartCheckList);
  FillParts();
  parts_.WidenColumnToLines();

  for (std::size_t i = 0; i < kSwitchCount; ++i) {
    switches_[i] = settings_.*kSwitches[i].field;
    DdxCheck(Hwnd(), kSwitches[i].id, switches_[i], false);
  }
  UpdateControls();
  return TRUE;
}

void CRenameExtConfigDlg::FillParts() {
  // The lines change one by one: the buttons follow once they are all in.
  filling_ = true;
  parts_.DeleteAllItems();
  for (int line = 0; line < model_.LineCount(); ++line) parts_.AddItem(model_.Label(line), model_.IsChecked(line));
  filling_ = false;
}

void CRenameExtConfigDlg::ReadMarks() {
  for (int line = 0; line < model_.LineCount() && line < parts_.GetItemCount(); ++line)
    model_.SetChecked(line, parts_.GetCheckState(line));
}

void CRenameExtConfigDlg::UpdateControls() {
  int s = parts_.GetSelectedIndex();
  int last = parts_.GetItemCount() - 1;
  // A button that goes off while it holds the focus (its line reached the end) hands it to the list.
  EnableControl(up_, s > 0, parts_.Hwnd());
  EnableControl(down_, s >= 0 && s < last, parts_.Hwnd());
  for (const auto& d : kDependencies)
    ::EnableWindow(Item(d.id), ::IsDlgButtonChecked(Hwnd(), d.dependsOn) == BST_CHECKED);
}

void CRenameExtConfigDlg::OnMove(bool up) {
  int line = parts_.GetSelectedIndex();
  if (line < 0) return;
  ReadMarks();
  int to = up ? model_.MoveUp(line) : model_.MoveDown(line);
  if (to < 0) return;
  FillParts();
  parts_.SelectItem(to);
  UpdateControls();
}

void CRenameExtConfigDlg::OnOK() {
  for (std::size_t i = 0; i < kSwitchCount; ++i) DdxCheck(Hwnd(), kSwitches[i].id, switches_[i], true);
  ReadMarks();
  for (std::size_t i = 0; i < kSwitchCount; ++i) settings_.*kSwitches[i].field = switches_[i];
  // Always the three parts and at most three checked: both texts fit their 5-character fields.
  ::lstrcpynW(settings_.renameExtFileNamePartSelectOrder, model_.OrderText().c_str(),
              ARRAYSIZE(settings_.renameExtFileNamePartSelectOrder));
  ::lstrcpynW(settings_.renameExtFileNamePartCheckList, model_.CheckedText().c_str(),
              ARRAYSIZE(settings_.renameExtFileNamePartCheckList));
  EndDialog(0);
}

INT_PTR CRenameExtConfigDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_HELP:
      // F1 anywhere in the dialog, as the ヘルプ button.
      app_.ShowHelp(kHelpTopicRenameExtDialog);
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == parts_.Hwnd() && header->code == LVN_ITEMCHANGED) {
        if (!filling_) UpdateControls();
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
        case IDC_PART_UP:
        case IDC_PART_DOWN:
          OnMove(LOWORD(wParam) == IDC_PART_UP);
          return TRUE;
        case IDC_EXTEND_HOME_END:
        case IDC_INSERT_DATE:
          if (HIWORD(wParam) == BN_CLICKED) UpdateControls();
          return TRUE;
        case IDC_HELP_BUTTON:
          app_.ShowHelp(kHelpTopicRenameExtDialog);
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
