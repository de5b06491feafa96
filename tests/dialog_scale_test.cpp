// Every dialog of the configuration program at the display's scale: each label shows its whole text
// without running into its neighbours, the name parts read whole, the about block's icon is drawn
// for the DPI. The dialogs are made in this process from the program's own code, templates, icon
// and manifest (linked in), so this process is system-DPI-aware as the program is. It checks at the
// system DPI it finds and says which; the suite runs it at 96, 144 and 192 DPI.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "basic_tab_page.h"
#include "config_app.h"
#include "context_menu_ext_config_dlg.h"
#include "controls.h"
#include "display_scale.h"
#include "option_tab_page.h"
#include "rename_ext_config_dlg.h"
#include "resource.h"
#include "settings.h"
#include "test_support.h"

namespace {

// A dialog of a template and nothing else: what the dialog base alone makes of it.
class CTemplateOnly : public CDialogImpl {
public:
  using CDialogImpl::CDialogImpl;

protected:
  INT_PTR HandleMessage(UINT, WPARAM, LPARAM) override { return FALSE; }
};

bool IsClass(HWND window, const wchar_t* name) {
  wchar_t found[32] = {};
  ::GetClassNameW(window, found, ARRAYSIZE(found));
  return ::lstrcmpiW(found, name) == 0;
}

DWORD Style(HWND window) { return static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)); }

bool IsBox(HWND control) {
  DWORD type = Style(control) & BS_TYPEMASK;
  return IsClass(control, L"Button") && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON ||
                                         type == BS_RADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE);
}

// Statics that show text as it is (those that shorten theirs with an ellipsis mean to), check boxes
// and radio buttons.
bool IsLabel(HWND control) {
  DWORD type = Style(control) & SS_TYPEMASK;
  bool text = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP;
  return (IsClass(control, L"Static") && text && !(Style(control) & SS_ELLIPSISMASK)) || IsBox(control);
}

bool IsFrame(HWND control) {
  DWORD type = Style(control) & SS_TYPEMASK;
  return (IsClass(control, L"Button") && (Style(control) & BS_TYPEMASK) == BS_GROUPBOX) ||
         (IsClass(control, L"Static") && (type == SS_ETCHEDFRAME || type == SS_BLACKFRAME || type == SS_GRAYFRAME));
}

RECT RectIn(HWND window, HWND parent) {
  RECT r{};
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool Contains(const RECT& outer, const RECT& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right && outer.bottom >= inner.bottom;
}

// The width of the text on one line in the control's font, as the control draws it.
int TextWidth(HWND control) {
  std::wstring text = WindowText(control);
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT r{};
  UINT noPrefix = IsClass(control, L"Static") && (Style(control) & SS_NOPREFIX) ? DT_NOPREFIX : 0;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | noPrefix);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return r.right - r.left;
}

class DialogScale : public ::testing::Test {
protected:
  void SetUp() override {
    ::lstrcpyW(settings_.contextMenuExtMenuItems, L"1,2,3");
    ASSERT_NE(main_.Create(nullptr), nullptr);
    ASSERT_NE(basic_.Create(main_.Hwnd()), nullptr);
    basic_.Initialize(true);
    ASSERT_NE(options_.Create(main_.Hwnd()), nullptr);
    options_.InitializeFromSettings();
    ASSERT_NE(rename_.Create(nullptr), nullptr);
    ASSERT_NE(menu_.Create(nullptr), nullptr);
    dpi_ = WindowDpi(main_.Hwnd());
    std::printf("Checked at %u DPI, the system's.\n", dpi_);
  }
  int Scaled(int pixelsAt96) const { return ::MulDiv(pixelsAt96, static_cast<int>(dpi_), 96); }

  CTempDir folder_{L"scale"};
  CConfigApp app_{folder_.Path(), L"user"};
  CSettings settings_;
  CTemplateOnly main_{IDD_CONFIG};
  CBasicTabPage basic_{app_, settings_};
  COptionTabPage options_{app_, settings_};
  CRenameExtConfigDlg rename_{app_, settings_};
  CContextMenuExtConfigDlg menu_{app_, settings_};
  UINT dpi_ = 96;
};

TEST_F(DialogScale, EveryLabelShowsItsWholeTextWithinItsFrameAndBesideItsNeighbours) {
  const struct {
    const char* name;
    HWND dialog;
  } dialogs[] = {{"main", main_.Hwnd()},
                 {"基本設定", basic_.Hwnd()},
                 {"オプション", options_.Hwnd()},
                 {"ファイル名変更機能拡張", rename_.Hwnd()},
                 {"右クリックメニュー拡張", menu_.Hwnd()}};
  int labels = 0;
  for (const auto& d : dialogs) {
    SCOPED_TRACE(d.name);
    std::vector<HWND> children;
    for (HWND c = ::GetWindow(d.dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
      if (::GetWindowLongPtrW(c, GWL_STYLE) & WS_CHILD && !IsClass(c, L"#32770")) children.push_back(c);
    RECT client{};
    ::GetClientRect(d.dialog, &client);
    for (HWND label : children) {
      if (!IsLabel(label) || WindowText(label).empty()) continue;
      ++labels;
      SCOPED_TRACE(U8(WindowText(label)));
      RECT box = RectIn(label, d.dialog);
      RECT inside{};
      ::GetClientRect(label, &inside);
      int room = inside.right;
      if (IsBox(label)) {
        // The box itself and the room after it, then the text.
        room -= ::GetSystemMetrics(SM_CXMENUCHECK) + Scaled(3);
        SIZE ideal{};
        if (::SendMessageW(label, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal))) {
          EXPECT_LE(ideal.cx, box.right - box.left) << "the button's own measure";
        }
      }
      EXPECT_LE(TextWidth(label), room);
      EXPECT_TRUE(Contains(client, box)) << "inside the dialog";
      for (HWND other : children) {
        if (other == label) continue;
        RECT r = RectIn(other, d.dialog), overlap{};
        if (IsFrame(other) && Contains(r, box)) continue;
        EXPECT_FALSE(::IntersectRect(&overlap, &r, &box)) << "runs into " << U8(WindowText(other));
      }
    }
  }
  EXPECT_GE(labels, 20);
}

TEST_F(DialogScale, NamePartsReadWholeAndTheAboutIconIsDrawnForTheDpi) {
  HWND parts = ::GetDlgItem(rename_.Hwnd(), IDC_PART_LIST);
  ASSERT_EQ(::SendMessageW(parts, LVM_GETITEMCOUNT, 0, 0), 3);
  auto width = static_cast<int>(::SendMessageW(parts, LVM_GETCOLUMNWIDTH, 0, 0));
  EXPECT_GE(width, Scaled(100));
  // The view's own measure of what its lines need.
  ::SendMessageW(parts, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
  EXPECT_GE(width, ::SendMessageW(parts, LVM_GETCOLUMNWIDTH, 0, 0));

  HWND about = ::GetDlgItem(basic_.Hwnd(), IDC_PRODUCT_ICON);
  auto icon = reinterpret_cast<HICON>(::SendMessageW(about, STM_GETICON, 0, 0));
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(icon, &info));
  BITMAP colour{};
  ::GetObjectW(info.hbmColor, sizeof colour, &colour);
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  EXPECT_EQ(colour.bmWidth, Scaled(32));
  EXPECT_EQ(colour.bmHeight, Scaled(32));
  EXPECT_EQ(colour.bmBitsPixel, 32) << "with its own transparency";
  RECT shown{};
  ::GetClientRect(about, &shown);
  EXPECT_EQ(shown.right, Scaled(32)) << "shown at that size";
}

}  // namespace
