#pragma once
// Keeps the pages of a tab control: page i belongs to tab i, fills the tab's display area, and
// only the selected one is shown. A page may be made only when it is first needed, as the system's
// property sheets do, so that a dialog opens without waiting for pages nobody has looked at yet.
// In the tab order a page comes right after the tab strip, before the dialog's own buttons.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CTabPageHost {
public:
  void Attach(HWND tab) { tab_ = tab; }
  HWND Tab() const { return tab_; }
  std::size_t Count() const { return pages_.size(); }

  // Appends a page; the tab reads `title`, or the page window's own text when it is null.
  void AddPage(HWND page, const wchar_t* title = nullptr);
  // Appends a page that `create` makes when its tab is first shown or Page() first asks for it.
  void AddDeferredPage(const std::wstring& title, std::function<HWND()> create);
  // The page window at `index`, made now if it was deferred; null when there is none.
  HWND Page(std::size_t index);
  // Moves every page made so far onto the tab control's display area.
  void FitPages();
  // Shows the page of the selected tab (making it if need be) and hides the others.
  void ShowSelected();
  // Selects the page's tab and shows it (setting the selection raises no notification).
  void SelectPage(HWND page);
  // Ctrl+Tab and Ctrl+PgDn go to the next page, Ctrl+Shift+Tab and Ctrl+PgUp to the one before,
  // wherever the focus is in the dialog, as in the system's property sheets; true when `msg` was one.
  // A focus left on the page that goes moves to the tab strip.
  bool TranslatePageKey(const MSG& msg);

private:
  struct CPage {
    HWND window = nullptr;
    std::function<HWND()> create;  // empty once made
  };
  void InsertTab(const std::wstring& title);
  void Place(HWND page) const;
  void SelectAdjacent(int step);

  HWND tab_ = nullptr;
  std::vector<CPage> pages_;
};
