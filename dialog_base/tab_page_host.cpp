#include "tab_page_host.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <string>

#include "controls.h"

void CTabPageHost::AddPage(HWND page, const wchar_t* title) {
  pages_.push_back(page);
  std::wstring text = title ? std::wstring(title) : WindowText(page);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  int position = static_cast<int>(pages_.size()) - 1;
  ::SendMessageW(tab_, TCM_INSERTITEMW, position, reinterpret_cast<LPARAM>(&item));
  // With visual styles a page wears the tab's own background, as in the system's property sheets.
  ::EnableThemeDialogTexture(page, ETDT_ENABLETAB);
  FitPages();
}

void CTabPageHost::FitPages() {
  if (pages_.empty()) return;
  RECT area{};
  ::GetClientRect(tab_, &area);
  ::SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  ::MapWindowPoints(tab_, ::GetParent(tab_), reinterpret_cast<POINT*>(&area), 2);
  for (HWND page : pages_) {
    // Above the tab control, which would otherwise paint over them.
    ::SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                   SWP_NOACTIVATE);
    ::InvalidateRect(page, nullptr, TRUE);
  }
}

void CTabPageHost::ShowSelected() {
  int selected = static_cast<int>(::SendMessageW(tab_, TCM_GETCURSEL, 0, 0));
  for (std::size_t i = 0; i < pages_.size(); ++i)
    ::ShowWindow(pages_[i], static_cast<int>(i) == selected ? SW_SHOW : SW_HIDE);
}

void CTabPageHost::SelectPage(HWND page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  ::SendMessageW(tab_, TCM_SETCURSEL, it - pages_.begin(), 0);
  ShowSelected();
}
