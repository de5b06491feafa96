#include "tab_page_host.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <utility>

#include "controls.h"
#include "handles.h"

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
  // The page lies behind the tab control, right after the tab strip in the tab order: the tab control
  // keeps only its strip and frame, or it would paint over the page whenever it repaints.
  RECT window{};
  ::GetWindowRect(tab_, &window);
  POINT origin{0, 0};
  ::ClientToScreen(tab_, &origin);
  CRegion outline(::CreateRectRgn(0, 0, window.right - window.left, window.bottom - window.top));
  CRegion inside(::CreateRectRgn(area.left + origin.x - window.left, area.top + origin.y - window.top,
                                 area.right + origin.x - window.left, area.bottom + origin.y - window.top));
  if (outline && inside && ::CombineRgn(outline.Get(), outline.Get(), inside.Get(), RGN_DIFF) != ERROR &&
      ::SetWindowRgn(tab_, outline.Get(), TRUE))
    outline.Detach();  // the window owns it now

  ::MapWindowPoints(tab_, ::GetParent(tab_), reinterpret_cast<POINT*>(&area), 2);
  ::SetWindowPos(page, tab_, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_NOACTIVATE);
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

void CTabPageHost::SelectAdjacent(int step) {
  auto count = static_cast<int>(pages_.size());
  if (count < 2) return;
  auto selected = static_cast<int>(::SendMessageW(tab_, TCM_GETCURSEL, 0, 0));
  HWND leaving = selected >= 0 ? pages_[selected].window : nullptr;
  HWND focus = ::GetFocus();
  bool focusLeaves = leaving && focus && ::IsChild(leaving, focus);
  ::SendMessageW(tab_, TCM_SETCURSEL, ((selected < 0 ? 0 : selected) + step + count) % count, 0);
  ShowSelected();
  if (focusLeaves) FocusControl(tab_);
}

bool CTabPageHost::TranslatePageKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || ::GetKeyState(VK_CONTROL) >= 0 || ::GetKeyState(VK_MENU) < 0) return false;
  if (msg.hwnd != tab_ && !::IsChild(::GetParent(tab_), msg.hwnd)) return false;
  bool shift = ::GetKeyState(VK_SHIFT) < 0;
  int step = 0;
  if (msg.wParam == VK_TAB)
    step = shift ? -1 : 1;
  else if (msg.wParam == VK_NEXT && !shift)
    step = 1;
  else if (msg.wParam == VK_PRIOR && !shift)
    step = -1;
  if (step == 0) return false;
  SelectAdjacent(step);
  return true;
}
