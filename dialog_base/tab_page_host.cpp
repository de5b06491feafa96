#include "tab_page_host.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <utility>

#include "controls.h"

void CTabPageHost::InsertTab(const std::wstring& title) {
  std::wstring text = title;
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  ::SendMessageW(tab_, TCM_INSERTITEMW, pages_.size() - 1, reinterpret_cast<LPARAM>(&item));
}

void CTabPageHost::AddPage(HWND page, const wchar_t* title) {
  pages_.push_back(CPage{page, nullptr});
  InsertTab(title ? std::wstring(title) : WindowText(page));
  // With visual styles a page wears the tab's own background, as in the system's property sheets.
  ::EnableThemeDialogTexture(page, ETDT_ENABLETAB);
  FitPages();
}

void CTabPageHost::AddDeferredPage(const std::wstring& title, std::function<HWND()> create) {
  pages_.push_back(CPage{nullptr, std::move(create)});
  InsertTab(title);
}

HWND CTabPageHost::Page(std::size_t index) {
  if (index >= pages_.size()) return nullptr;
  CPage& page = pages_[index];
  if (!page.window && page.create) {
    page.window = std::exchange(page.create, nullptr)();
    if (page.window) {
      ::EnableThemeDialogTexture(page.window, ETDT_ENABLETAB);
      Place(page.window);
    }
  }
  return page.window;
}

void CTabPageHost::Place(HWND page) const {
  RECT area{};
  ::GetClientRect(tab_, &area);
  ::SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  ::MapWindowPoints(tab_, ::GetParent(tab_), reinterpret_cast<POINT*>(&area), 2);
  // Above the tab control, which would otherwise paint over it.
  ::SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_NOACTIVATE);
  ::InvalidateRect(page, nullptr, TRUE);
}

void CTabPageHost::FitPages() {
  for (const CPage& page : pages_)
    if (page.window) Place(page.window);
}

void CTabPageHost::ShowSelected() {
  auto selected = static_cast<std::size_t>(::SendMessageW(tab_, TCM_GETCURSEL, 0, 0));
  if (HWND shown = Page(selected)) ::ShowWindow(shown, SW_SHOW);
  for (std::size_t i = 0; i < pages_.size(); ++i)
    if (i != selected && pages_[i].window) ::ShowWindow(pages_[i].window, SW_HIDE);
}

void CTabPageHost::SelectPage(HWND page) {
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (page && pages_[i].window == page) {
      ::SendMessageW(tab_, TCM_SETCURSEL, i, 0);
      ShowSelected();
      return;
    }
  }
}
