#include "check_list_view.h"

#include <commctrl.h>

#include "display_scale.h"

namespace {

// State images of a check-box list: 1 unchecked, 2 checked.
constexpr UINT StateImage(bool checked) { return INDEXTOSTATEIMAGEMASK(checked ? 2 : 1); }

}  // namespace

bool CCheckListViewCtrl::Attach(HWND listView) {
  if (!listView) return false;
  hwnd_ = listView;
  DWORD styles = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  ::SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
  return true;
}

void CCheckListViewCtrl::SetSingleColumn(int widthAt96) {
  while (::SendMessageW(hwnd_, LVM_DELETECOLUMN, 0, 0)) {
  }
  wchar_t title[1] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  column.fmt = LVCFMT_LEFT;
  column.cx = ScaleForWindow(hwnd_, widthAt96);
  column.pszText = title;
  ::SendMessageW(hwnd_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

void CCheckListViewCtrl::WidenColumnToLines() {
  auto width = static_cast<int>(::SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, 0, 0));
  // The view measures its lines with their check boxes and its own margins.
  ::SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
  auto needed = static_cast<int>(::SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, 0, 0));
  if (needed < width) ::SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(width, 0));
}

int CCheckListViewCtrl::AddItem(const std::wstring& text, bool checked) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = GetItemCount();
  item.pszText = const_cast<wchar_t*>(text.c_str());
  auto line = static_cast<int>(::SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  // The list view gives a new line the unchecked image itself; the mark goes on afterwards.
  if (line >= 0) SetCheckState(line, checked);
  return line;
}

void CCheckListViewCtrl::DeleteAllItems() { ::SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0); }

int CCheckListViewCtrl::GetItemCount() const { return static_cast<int>(::SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring CCheckListViewCtrl::GetItemText(int line) const {
  wchar_t text[260] = {};
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = text;
  item.cchTextMax = ARRAYSIZE(text);
  auto length = static_cast<int>(::SendMessageW(hwnd_, LVM_GETITEMTEXTW, line, reinterpret_cast<LPARAM>(&item)));
  return std::wstring(text, length > 0 ? length : 0);
}

bool CCheckListViewCtrl::GetCheckState(int line) const {
  auto state = static_cast<UINT>(::SendMessageW(hwnd_, LVM_GETITEMSTATE, line, LVIS_STATEIMAGEMASK));
  return state == StateImage(true);
}

void CCheckListViewCtrl::SetCheckState(int line, bool checked) {
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = StateImage(checked);
  ::SendMessageW(hwnd_, LVM_SETITEMSTATE, line, reinterpret_cast<LPARAM>(&item));
}

int CCheckListViewCtrl::GetSelectedIndex() const {
  return static_cast<int>(::SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CCheckListViewCtrl::SelectItem(int line) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(hwnd_, LVM_SETITEMSTATE, line, reinterpret_cast<LPARAM>(&item));
  ::SendMessageW(hwnd_, LVM_ENSUREVISIBLE, line, FALSE);
}
