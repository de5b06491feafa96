// What the context-menu detail dialog shows while a line of its menu list is dragged: the cursor
// says whether the line may be dropped where the pointer is. The dialog runs in this process (its
// templates and cursors are linked in), since a cursor set by another program cannot be told apart
// from here; the notifications come as the drag list sends them.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_app.h"
#include "context_menu_ext_config_dlg.h"
#include "controls.h"
#include "resource.h"
#include "settings.h"
#include "test_support.h"

namespace {

class MenuDragFeedback : public ::testing::Test {
protected:
  void SetUp() override {
    ::lstrcpyW(settings_.contextMenuExtMenuItems, L"1,2,3,4");
    ASSERT_NE(dialog_.Create(nullptr), nullptr);
    ::ShowWindow(dialog_.Hwnd(), SW_SHOW);
    list_ = ::GetDlgItem(dialog_.Hwnd(), IDC_ACTIVE_LIST);
    ASSERT_EQ(ListBoxCount(list_), 4);
  }

  POINT Line(int line) const {
    RECT item{};
    ::SendMessageW(list_, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&item));
    POINT point{item.left + 10, (item.top + item.bottom) / 2};
    ::ClientToScreen(list_, &point);
    return point;
  }
  POINT BelowTheLastLine() const {
    POINT point = Line(3);
    point.y += 3 * static_cast<int>(::SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0));
    return point;
  }
  // As the drag list tells its parent; the parent's answer.
  LRESULT Notify(UINT notification, POINT cursor) const {
    static const UINT message = ::RegisterWindowMessageW(L"commctrl_DragListMsg");
    DRAGLISTINFO info{notification, list_, cursor};
    return ::SendMessageW(dialog_.Hwnd(), message, IDC_ACTIVE_LIST, reinterpret_cast<LPARAM>(&info));
  }
  static HCURSOR Cursor(int id) { return ::LoadCursorW(ThisModule(), MAKEINTRESOURCEW(id)); }

  CTempDir folder_{L"dragcursor"};
  CConfigApp app_{folder_.Path(), L"user"};
  CSettings settings_;
  CContextMenuExtConfigDlg dialog_{app_, settings_};
  HWND list_ = nullptr;
};

TEST_F(MenuDragFeedback, CursorSaysWhereTheDraggedLineMayBeDropped) {
  ASSERT_NE(Cursor(IDC_CURSOR_DRAG_MOVE), nullptr);
  ASSERT_NE(Cursor(IDC_CURSOR_DRAG_NO), nullptr);
  std::vector<std::wstring> lines;
  for (int i = 0; i < ListBoxCount(list_); ++i) lines.push_back(ListBoxText(list_, i));
  EXPECT_EQ(Notify(DL_BEGINDRAG, Line(0)), TRUE);

  // No line selected: nothing is being carried.
  ::SetCursor(nullptr);
  EXPECT_EQ(Notify(DL_DRAGGING, Line(1)), DL_CURSORSET);
  EXPECT_EQ(::GetCursor(), Cursor(IDC_CURSOR_DRAG_NO));

  ListBoxSelect(list_, 0);
  EXPECT_EQ(Notify(DL_DRAGGING, Line(2)), DL_CURSORSET);
  EXPECT_EQ(::GetCursor(), Cursor(IDC_CURSOR_DRAG_MOVE));
  // Below the last line is no line to drop before.
  EXPECT_EQ(Notify(DL_DRAGGING, BelowTheLastLine()), DL_CURSORSET);
  EXPECT_EQ(::GetCursor(), Cursor(IDC_CURSOR_DRAG_NO));
  Notify(DL_DRAGGING, Line(3));
  EXPECT_EQ(::GetCursor(), Cursor(IDC_CURSOR_DRAG_MOVE));

  // Cancelled, nothing moves; dropped below the last line, neither.
  Notify(DL_CANCELDRAG, Line(3));
  Notify(DL_DROPPED, BelowTheLastLine());
  for (int i = 0; i < ListBoxCount(list_); ++i) EXPECT_TRUE(ListBoxText(list_, i) == lines.at(i)) << i;
  EXPECT_EQ(ListBoxSelection(list_), 0);
  EXPECT_EQ(::lstrcmpW(settings_.contextMenuExtMenuItems, L"1,2,3,4"), 0) << "the record waits for OK";
}

}  // namespace
