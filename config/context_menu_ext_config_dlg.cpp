#include "context_menu_ext_config_dlg.h"

#include <commctrl.h>

#include <algorithm>

#include "controls.h"
#include "errors.h"
#include "resource.h"

CContextMenuExtConfigDlg::CContextMenuExtConfigDlg(CConfigApp& app, CSettings& settings)
    : CDialogImpl(IDD_CONTEXT_MENU_EXT_CONFIG), app_(app), settings_(settings), model_(L"") {}

BOOL CContextMenuExtConfigDlg::OnInitDialog() {
  active_ = Item(IDC_ACTIVE_LIST);
  inactive_ = Item(IDC_INACTIVE_LIST);
  add_ = Item(IDC_MENU_ADD);
  remove_ = Item(IDC_MENU_REMOVE);
  up_ = Item(IDC_MENU_UP);
  down_ = Item(IDC_MENU_DOWN);
  reset_ = Item(IDC_MENU_RESET);
  ok_ = Item(IDOK);
  cancel_ = Item(IDCANCEL);
  help_ = Item(IDC_HELP_BUTTON);
  // Shared cursors of the module: loaded once, never destroyed.
  moveCursor_ = ::LoadCursorW(ThisModule(), MAKEINTRESOURCEW(IDC_CURSOR_DRAG_MOVE));
  noDropCursor_ = ::LoadCursorW(ThisModule(), MAKEINTRESOURCEW(IDC_CURSOR_DRAG_NO));

  addConnection_ = settings_.contextMenuExtAddUnderbarOnDate;
  DdxCheck(Hwnd(), IDC_MENU_ADD_CONNECTION, addConnection_, false);
  // Only the active list is reordered by dragging.
  MakeDragList(active_);
  for (HWND list : {active_, inactive_}) AccessibleNames().SetFromLabel(list);
  CenterOverOwner(Hwnd());

  model_ = CMenuItemsModel(settings_.contextMenuExtMenuItems);
  Refill();
  UpdateButtons();
  return TRUE;
}

void CContextMenuExtConfigDlg::Refill() {
  ListBoxFill(active_, model_.Labels(MenuItemsList::Active));
  ListBoxFill(inactive_, model_.Labels(MenuItemsList::Inactive));
}

void CContextMenuExtConfigDlg::FocusLine(HWND list, int line) {
  ListBoxSelect(list, line);
  FocusControl(list);
}

void CContextMenuExtConfigDlg::UpdateButtons() {
  for (;;) {
    HWND focus = ::GetFocus();
    int s = focus == active_ ? ListBoxSelection(active_) : -1;
    int last = ListBoxCount(active_) - 1;
    // A button that goes off while it holds the focus hands it to the list its lines went to.
    EnableControl(remove_, s >= 0, inactive_);
    EnableControl(up_, s > 0, active_);
    EnableControl(down_, s >= 0 && s < last, active_);
    EnableControl(add_, focus == inactive_ && ListBoxSelection(inactive_) >= 0, active_);
    for (HWND always : {reset_, ok_, cancel_, help_}) ::EnableWindow(always, TRUE);
    // The focus moved: the buttons follow the list that has it now.
    if (::GetFocus() == focus) break;
  }
}

void CContextMenuExtConfigDlg::OnAdd() {
  int line = ListBoxSelection(inactive_);
  if (line < 0) return;
  switch (model_.Add(line)) {
    case AddResult::NoSuchLine:
      return;
    case AddResult::TooLong:
      // The stored field would cut the list into a wrong menu: nothing is added.
      ::MessageBoxW(Hwnd(), kMenuItemsTooLongMessage, kCaption, MB_OK | MB_ICONWARNING);
      return;
    case AddResult::Added:
      break;
  }
  Refill();
  FocusLine(active_, ListBoxCount(active_) - 1);
  UpdateButtons();
}

void CContextMenuExtConfigDlg::OnRemove() {
  int line = ListBoxSelection(active_);
  if (line < 0 || static_cast<std::size_t>(line) >= model_.Active().size()) return;
  int command = model_.Active()[line];
  if (!model_.Remove(line)) return;
  Refill();
  // 削除 goes off with no active line selected: the focus follows the line to the inactive list (a
  // separator to the separator's line there), from where 追加 brings it back.
  const std::vector<int>& inactive = model_.Inactive();
  auto landed = std::find(inactive.begin(), inactive.end(), command);
  FocusLine(inactive_, landed == inactive.end() ? 0 : static_cast<int>(landed - inactive.begin()));
  UpdateButtons();
}

void CContextMenuExtConfigDlg::OnMove(bool up) {
  int line = ListBoxSelection(active_);
  if (line < 0) return;
  int to = up ? model_.MoveUp(line) : model_.MoveDown(line);
  if (to < 0) return;
  ListBoxFill(active_, model_.Labels(MenuItemsList::Active));
  FocusLine(active_, to);
  UpdateButtons();
}

void CContextMenuExtConfigDlg::OnReset() {
  model_.Reset();
  Refill();
  UpdateButtons();
}

void CContextMenuExtConfigDlg::OnOK() {
  DdxCheck(Hwnd(), IDC_MENU_ADD_CONNECTION, addConnection_, true);
  // The model never lets the list grow past what the field holds.
  ::lstrcpynW(settings_.contextMenuExtMenuItems, model_.StoredText().c_str(),
              ARRAYSIZE(settings_.contextMenuExtMenuItems));
  settings_.contextMenuExtAddUnderbarOnDate = addConnection_;
  EndDialog(0);
}

void CContextMenuExtConfigDlg::OnListCommand(HWND list, int code) {
  HWND other = list == active_ ? inactive_ : active_;
  switch (code) {
    case LBN_SETFOCUS:
      // One selection at a time, so each button knows which list it acts on.
      ListBoxSelect(other, -1);
      UpdateButtons();
      break;
    case LBN_SELCHANGE:
      UpdateButtons();
      break;
    case LBN_DBLCLK:
      if (ListBoxSelection(list) < 0) break;
      if (list == active_)
        OnRemove();
      else
        OnAdd();
      break;
    default:
      break;
  }
}

BOOL CContextMenuExtConfigDlg::OnBeginDrag(int, HWND, POINT) { return TRUE; }

int CContextMenuExtConfigDlg::OnDragging(int, HWND list, POINT cursor) {
  int onto = LBItemFromPt(list, cursor, true);
  DrawInsert(Hwnd(), list, onto);
  bool canDrop = ListBoxSelection(list) >= 0 && onto >= 0;
  ::SetCursor(canDrop ? moveCursor_ : noDropCursor_);
  return DL_CURSORSET;
}

void CContextMenuExtConfigDlg::OnDropped(int, HWND list, POINT cursor) {
  DrawInsert(Hwnd(), list, -1);
  int from = ListBoxSelection(list);
  int onto = LBItemFromPt(list, cursor, true);
  int to = model_.Drop(from, onto);
  if (to < 0) return;
  ListBoxFill(active_, model_.Labels(MenuItemsList::Active));
  FocusLine(active_, to);
  UpdateButtons();
}

void CContextMenuExtConfigDlg::OnCancelDrag(int, HWND list, POINT) { DrawInsert(Hwnd(), list, -1); }

INT_PTR CContextMenuExtConfigDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT dragResult = 0;
  if (ProcessDragListMessage(message, wParam, lParam, dragResult)) return SetMsgResult(dragResult);
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_HELP:
      // F1 anywhere in the dialog, as the ヘルプ button.
      app_.ShowHelp(kHelpTopicContextMenuDialog);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      int code = HIWORD(wParam);
      switch (id) {
        case IDOK:
          OnOK();
          return TRUE;
        case IDCANCEL:
          EndDialog(0);
          return TRUE;
        case IDC_MENU_ADD:
          OnAdd();
          return TRUE;
        case IDC_MENU_REMOVE:
          OnRemove();
          return TRUE;
        case IDC_MENU_UP:
        case IDC_MENU_DOWN:
          OnMove(id == IDC_MENU_UP);
          return TRUE;
        case IDC_MENU_RESET:
          OnReset();
          return TRUE;
        case IDC_HELP_BUTTON:
          app_.ShowHelp(kHelpTopicContextMenuDialog);
          return TRUE;
        case IDC_ACTIVE_LIST:
        case IDC_INACTIVE_LIST:
          OnListCommand(reinterpret_cast<HWND>(lParam), code);
          return TRUE;
        default:
          break;
      }
      break;
    }
    default:
      break;
  }
  return FALSE;
}
