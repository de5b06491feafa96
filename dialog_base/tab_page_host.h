#pragma once
// Keeps the pages of a tab control: page i belongs to tab i, fills the tab's display area, and
// only the selected one is shown.
#include <windows.h>

#include <vector>

class CTabPageHost {
public:
  void Attach(HWND tab) { tab_ = tab; }
  HWND Tab() const { return tab_; }
  const std::vector<HWND>& Pages() const { return pages_; }

  // Appends a page; the tab reads `title`, or the page window's own text when it is null.
  void AddPage(HWND page, const wchar_t* title = nullptr);
  // Moves every page onto the tab control's display area.
  void FitPages();
  // Shows the page of the selected tab and hides the others.
  void ShowSelected();
  // Selects the page's tab and shows it (setting the selection raises no notification).
  void SelectPage(HWND page);

private:
  HWND tab_ = nullptr;
  std::vector<HWND> pages_;
};
