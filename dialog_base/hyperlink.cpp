#include "hyperlink.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>

#include "controls.h"
#include "dialog_impl.h"
#include "handles.h"
#include "link_accessible.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;

POINT PointOf(LPARAM lParam) { return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

COLORREF ColorSetting(const wchar_t* name, COLORREF fallback) {
  CRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Settings", 0, KEY_READ,
                      key.Put()) != ERROR_SUCCESS)
    return fallback;
  wchar_t text[64] = {};
  DWORD type = 0;
  DWORD size = sizeof text - sizeof(wchar_t);
  if (::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return fallback;
  COLORREF color = fallback;
  return ParseColorTriple(text, color) ? color : fallback;
}

}  // namespace

bool ParseColorTriple(const std::wstring& text, COLORREF& color) {
  int parts[3] = {};
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    while (pos < text.size() && text[pos] == L' ') ++pos;
    std::size_t start = pos;
    int value = 0;
    while (pos < text.size() && std::iswdigit(text[pos]) && pos - start < 4) value = value * 10 + (text[pos++] - L'0');
    if (pos == start || value > 255) return false;
    while (pos < text.size() && text[pos] == L' ') ++pos;
    if (i < 2 && (pos >= text.size() || text[pos++] != L',')) return false;
    parts[i] = value;
  }
  if (pos != text.size()) return false;
  color = RGB(parts[0], parts[1], parts[2]);
  return true;
}

CHyperLink::~CHyperLink() {
  if (hwnd_) {
    ::RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
  }
  Detach();
}

bool CHyperLink::SubclassWindow(HWND control) {
  if (hwnd_ || !control) return false;
  if (!::SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
  hwnd_ = control;
  // Mouse messages need SS_NOTIFY; Tab reaches it with WS_TABSTOP.
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE, ::GetWindowLongPtrW(hwnd_, GWL_STYLE) | SS_NOTIFY | WS_TABSTOP);
  MakeFont(reinterpret_cast<HFONT>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
  linkColor_ = ColorSetting(L"Anchor Color", linkColor_);
  visitedColor_ = ColorSetting(L"Anchor Color Visited", visitedColor_);

  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, ::GetParent(hwnd_), nullptr,
                               ThisModule(), nullptr);
  if (tooltip_) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the common controls
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = ::GetParent(hwnd_);
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = target_.data();
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  return true;
}

void CHyperLink::SetHyperLink(const std::wstring& target) {
  target_ = target;
  if (tooltip_) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = ::GetParent(hwnd_);
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = target_.data();
    ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

bool CHyperLink::Navigate() {
  if (target_.empty()) return false;
  auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", target_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) return false;
  visited_ = true;
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
  return true;
}

void CHyperLink::Detach() {
  if (accessible_) {
    accessible_->Disconnect();
    accessible_->Release();
    accessible_ = nullptr;
  }
  if (tooltip_) ::DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  if (font_) ::DeleteObject(font_);
  font_ = nullptr;
  hwnd_ = nullptr;
}

void CHyperLink::MakeFont(HFONT base) {
  LOGFONTW font{};
  if (!::GetObjectW(base ? base : ::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font)) return;
  font.lfUnderline = TRUE;
  HFONT made = ::CreateFontIndirectW(&font);
  if (!made) return;
  if (font_) ::DeleteObject(font_);
  font_ = made;
}

LRESULT CHyperLink::AccessibleObject(WPARAM flags) {
  LresultFromObjectFn toResult = OleaccLresultFromObject();
  if (!toResult) return 0;
  if (!accessible_) accessible_ = CLinkAccessible::Create(*this, hwnd_);
  return accessible_ ? toResult(__uuidof(IAccessible), flags, static_cast<IAccessible*>(accessible_)) : 0;
}

RECT CHyperLink::TextRect(HDC dc) const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  std::wstring text = WindowText(hwnd_);
  RECT measured = client;
  HGDIOBJ old = ::SelectObject(dc, font_);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  ::SelectObject(dc, old);
  LONG width = std::min(measured.right - measured.left, client.right - client.left);
  LONG style = static_cast<LONG>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)) & SS_TYPEMASK;
  RECT rect = client;
  if (style == SS_CENTER)
    rect.left = client.left + (client.right - client.left - width) / 2;
  else if (style == SS_RIGHT)
    rect.left = client.right - width;
  rect.right = rect.left + width;
  rect.bottom = std::min(client.bottom, client.top + (measured.bottom - measured.top));
  return rect;
}

bool CHyperLink::IsOverText(POINT client) const {
  HDC dc = ::GetDC(hwnd_);
  RECT rect = TextRect(dc);
  ::ReleaseDC(hwnd_, dc);
  return ::PtInRect(&rect, client) != FALSE;
}

void CHyperLink::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  // The parent chooses the background, as for any static (a themed page gives its texture).
  auto brush = reinterpret_cast<HBRUSH>(
      ::SendMessageW(::GetParent(hwnd_), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
  ::FillRect(dc, &client, brush ? brush : ::GetSysColorBrush(COLOR_3DFACE));
  ::SetBkMode(dc, TRANSPARENT);
  COLORREF color = visited_ ? visitedColor_ : linkColor_;
  if (!::IsWindowEnabled(hwnd_)) color = ::GetSysColor(COLOR_GRAYTEXT);
  ::SetTextColor(dc, color);
  RECT rect = TextRect(dc);
  std::wstring text = WindowText(hwnd_);
  HGDIOBJ old = ::SelectObject(dc, font_);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  ::SelectObject(dc, old);
  bool focusHidden = (::SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
  if (::GetFocus() == hwnd_ && !focusHidden) ::DrawFocusRect(dc, &rect);
}

LRESULT CALLBACK CHyperLink::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
  try {
    return reinterpret_cast<CHyperLink*>(self)->HandleMessage(message, wParam, lParam);
  } catch (...) {
    return ::DefSubclassProc(window, message, wParam, lParam);
  }
}

LRESULT CHyperLink::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd_, &ps);
      Paint(dc);
      ::EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_SETCURSOR: {
      POINT point{};
      ::GetCursorPos(&point);
      ::ScreenToClient(hwnd_, &point);
      if (IsOverText(point)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      POINT point = PointOf(lParam);
      if (IsOverText(point)) {
        ::SetFocus(hwnd_);
        ::SetCapture(hwnd_);
        pressed_ = true;
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      if (!pressed_) return 0;
      pressed_ = false;
      ::ReleaseCapture();
      POINT point = PointOf(lParam);
      if (IsOverText(point)) Navigate();
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressed_ = false;
      break;
    case WM_GETDLGCODE: {
      // Enter would otherwise press the dialog's default button.
      LRESULT code = DLGC_WANTCHARS;
      auto* msg = reinterpret_cast<const MSG*>(lParam);
      if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) && msg->wParam == VK_RETURN)
        code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_CHAR:
      if (wParam == VK_RETURN || wParam == L' ') {
        Navigate();
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_UPDATEUISTATE:
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    case WM_SETFONT: {
      LRESULT result = ::DefSubclassProc(hwnd_, message, wParam, lParam);
      MakeFont(reinterpret_cast<HFONT>(wParam));
      if (LOWORD(lParam)) ::InvalidateRect(hwnd_, nullptr, TRUE);
      return result;
    }
    case WM_SETTEXT: {
      LRESULT result = ::DefSubclassProc(hwnd_, message, wParam, lParam);
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      return result;
    }
    case WM_GETOBJECT:
      // The link's own object for its client area; the system's for everything else.
      if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) return AccessibleObject(wParam);
      break;
    case WM_NCDESTROY: {
      HWND window = hwnd_;
      ::RemoveWindowSubclass(window, SubclassProc, kSubclassId);
      Detach();
      return ::DefSubclassProc(window, message, wParam, lParam);
    }
    default:
      if (message == LinkOpenMessage() && message != 0) {
        Navigate();
        return 0;
      }
      break;
  }
  return ::DefSubclassProc(hwnd_, message, wParam, lParam);
}
