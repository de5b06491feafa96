#include "display_scale.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <string>

#include "controls.h"

namespace {

// Room kept free beside a widened label, at 96 DPI: to the next control, to the inner edge of a
// frame or group box around it, and to the edge of its parent.
constexpr int kGapToNeighbour = 4;
constexpr int kFrameInset = 6;
constexpr int kParentInset = 6;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Windows 10 1607 and later answer per window; older systems have one DPI for the whole session.
GetDpiForWindowFn DpiForWindowFunction() {
  static const auto function = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return function;
}

enum class LabelKind { None, Static, Box };

LabelKind KindOf(HWND control) {
  auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
  if (IsWindowClass(control, L"Static")) {
    DWORD type = style & SS_TYPEMASK;
    bool text = type == SS_LEFT || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE;
    return text && !(style & SS_ELLIPSISMASK) ? LabelKind::Static : LabelKind::None;
  }
  if (IsWindowClass(control, L"Button")) {
    DWORD type = style & BS_TYPEMASK;
    bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
               type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    // Text before the box, pushed-in looks and wrapped texts are laid out otherwise.
    return box && !(style & (BS_LEFTTEXT | BS_PUSHLIKE | BS_MULTILINE)) ? LabelKind::Box : LabelKind::None;
  }
  return LabelKind::None;
}

// The box or circle of a check box or radio button and the room between it and the text.
int GlyphWidth(HWND button, HDC dc) {
  int glyph = ::GetSystemMetrics(SM_CXMENUCHECK);
  if (HTHEME theme = ::OpenThemeData(button, L"Button")) {
    SIZE part{};
    if (SUCCEEDED(::GetThemePartSize(theme, dc, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, nullptr, TS_DRAW, &part)))
      glyph = std::max(glyph, static_cast<int>(part.cx));
    ::CloseThemeData(theme);
  }
  // The button leaves about half a digit between box and text.
  INT digit = 0;
  ::GetCharWidth32W(dc, L'0', L'0', &digit);
  return glyph + std::max<int>(digit / 2, ScaleForWindow(button, 3)) + ScaleForWindow(button, 1);
}

RECT RectIn(HWND window, HWND parent) {
  RECT r{};
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

UINT WindowDpi(HWND window) {
  if (GetDpiForWindowFn function = DpiForWindowFunction(); function && window) {
    UINT dpi = function(window);
    if (dpi) return dpi;
  }
  HDC screen = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int ScaleForWindow(HWND window, int pixelsAt96) {
  return ::MulDiv(pixelsAt96, static_cast<int>(WindowDpi(window)), 96);
}

HICON LoadIconForWindow(HWND window, HINSTANCE instance, int id, int sizeAt96) {
  int size = ScaleForWindow(window, sizeAt96);
  // LoadImage picks the image nearest in size from the group and scales only that one.
  return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

int LabelWidthNeeded(HWND control) {
  LabelKind kind = KindOf(control);
  if (kind == LabelKind::None) return 0;
  std::wstring text = WindowText(control);
  if (text.empty()) return 0;
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
  UINT format = DT_CALCRECT | DT_SINGLELINE;
  if (kind == LabelKind::Static && (style & SS_NOPREFIX)) format |= DT_NOPREFIX;
  RECT measured{};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, format);
  int width = measured.right - measured.left;
  if (kind == LabelKind::Box) {
    width += GlyphWidth(control, dc);
    // The button's own measure where it gives one (common controls 6).
    SIZE ideal{};
    if (::SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) && ideal.cx > width)
      width = ideal.cx;
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  // A static's frame or border takes from the text's room too.
  RECT window{}, client{};
  ::GetWindowRect(control, &window);
  ::GetClientRect(control, &client);
  return width + (window.right - window.left) - (client.right - client.left);
}

void FitLabel(HWND control) {
  HWND parent = ::GetParent(control);
  int needed = LabelWidthNeeded(control);
  if (!parent || needed == 0) return;
  RECT self = RectIn(control, parent);
  if (self.right - self.left >= needed) return;

  RECT client{};
  ::GetClientRect(parent, &client);
  LONG limit = client.right - ScaleForWindow(parent, kParentInset);
  for (HWND other = ::GetWindow(parent, GW_CHILD); other; other = ::GetWindow(other, GW_HWNDNEXT)) {
    if (other == control) continue;
    RECT r = RectIn(other, parent);
    bool around = r.left <= self.left && r.right >= self.right && r.top <= self.top && r.bottom >= self.bottom;
    bool beside = r.top < self.bottom && r.bottom > self.top && r.left > self.left;
    if (around)
      limit = std::min(limit, r.right - ScaleForWindow(parent, kFrameInset));
    else if (beside)
      limit = std::min(limit, r.left - ScaleForWindow(parent, kGapToNeighbour));
  }
  LONG width = std::min<LONG>(needed, limit - self.left);
  if (width <= self.right - self.left) return;
  ::SetWindowPos(control, nullptr, 0, 0, width, self.bottom - self.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FitLabels(HWND dialog) {
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) FitLabel(child);
}
