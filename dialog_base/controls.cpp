#include "controls.h"

#include <algorithm>

namespace {

bool IsStatic(HWND window) { return IsWindowClass(window, L"Static"); }

}  // namespace

bool IsWindowClass(HWND window, const wchar_t* className) {
  wchar_t name[32] = {};
  return ::GetClassNameW(window, name, ARRAYSIZE(name)) > 0 && ::lstrcmpiW(name, className) == 0;
}

std::wstring WindowText(HWND window) {
  int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int read = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(read > 0 ? read : 0);
  return text;
}

std::wstring LabelText(HWND label) {
  std::wstring text = WindowText(label);
  bool plain = (::GetWindowLongPtrW(label, GWL_STYLE) & SS_NOPREFIX) != 0 && IsStatic(label);
  if (plain) return text;
  std::wstring shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && ++i >= text.size()) break;
    shown.push_back(text[i]);
  }
  return shown;
}

HWND LabelBefore(HWND control) {
  // Lines, frames and icons between the two do not count; any other control does.
  for (HWND sibling = ::GetWindow(control, GW_HWNDPREV); sibling; sibling = ::GetWindow(sibling, GW_HWNDPREV)) {
    LONG_PTR style = ::GetWindowLongPtrW(sibling, GWL_STYLE);
    LONG_PTR type = style & SS_TYPEMASK;
    bool text = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP;
    bool label = IsStatic(sibling) ? text : IsWindowClass(sibling, L"Button") && (style & BS_TYPEMASK) == BS_GROUPBOX;
    if (label && !LabelText(sibling).empty()) return sibling;
    if (!IsStatic(sibling) || text) return nullptr;
  }
  return nullptr;
}

void FocusControl(HWND control) {
  if (HWND root = ::GetAncestor(control, GA_ROOT); root && root != control)
    ::SendMessageW(root, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void EnableControl(HWND control, bool enable, HWND heir) {
  HWND focus = ::GetFocus();
  if (!enable && focus && (focus == control || ::IsChild(control, focus))) {
    auto usable = [control](HWND window) {
      return window && window != control && ::IsWindowVisible(window) && ::IsWindowEnabled(window);
    };
    if (!usable(heir)) heir = ::GetNextDlgTabItem(::GetAncestor(control, GA_ROOT), control, FALSE);
    if (usable(heir)) FocusControl(heir);
  }
  ::EnableWindow(control, enable);
}

int ComboAddItem(HWND combo, const wchar_t* text, LPARAM data) {
  auto index = static_cast<int>(::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  if (index >= 0) ::SendMessageW(combo, CB_SETITEMDATA, index, data);
  return index;
}

std::wstring ComboItemText(HWND combo, int index) {
  auto length = static_cast<int>(::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0));
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  auto read = static_cast<int>(::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data())));
  text.resize(read > 0 ? read : 0);
  return text;
}

bool ComboSelectByData(HWND combo, LPARAM data) {
  auto count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (static_cast<LPARAM>(::SendMessageW(combo, CB_GETITEMDATA, i, 0)) == data) {
      ::SendMessageW(combo, CB_SETCURSEL, i, 0);
      return true;
    }
  }
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  return false;
}

std::optional<LPARAM> ComboSelectedData(HWND combo) {
  auto index = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
  if (index < 0) return std::nullopt;
  return static_cast<LPARAM>(::SendMessageW(combo, CB_GETITEMDATA, index, 0));
}

void ListBoxFill(HWND list, const std::vector<std::wstring>& lines) {
  // One repaint for the whole refill, not one per line.
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& line : lines) ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

int ListBoxCount(HWND list) { return static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0)); }

std::wstring ListBoxText(HWND list, int line) {
  auto length = static_cast<int>(::SendMessageW(list, LB_GETTEXTLEN, line, 0));
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  auto read = static_cast<int>(::SendMessageW(list, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text.data())));
  text.resize(read > 0 ? read : 0);
  return text;
}

int ListBoxSelection(HWND list) { return static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0)); }

void ListBoxSelect(HWND list, int line) { ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0); }

void CenterOverOwner(HWND window) {
  HWND owner = ::GetWindow(window, GW_OWNER);
  RECT self{};
  ::GetWindowRect(window, &self);
  RECT over = self;
  if (owner) ::GetWindowRect(owner, &over);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  LONG width = self.right - self.left;
  LONG height = self.bottom - self.top;
  LONG x = over.left + ((over.right - over.left) - width) / 2;
  LONG y = over.top + ((over.bottom - over.top) - height) / 2;
  // Inside the work area; its top-left corner wins when the window is larger than the area.
  x = std::max(work.left, std::min(x, work.right - width));
  y = std::max(work.top, std::min(y, work.bottom - height));
  ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
