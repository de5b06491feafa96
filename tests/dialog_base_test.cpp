// The dialog base on windows of the test's own: message routing, data exchange, the tab host, the
// hyperlink and centring, driven through real windows, the dialog manager and the real registry.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <stdexcept>
#include <string>
#include <vector>

#include "check_list_view.h"
#include "controls.h"
#include "data_exchange.h"
#include "dialog_base_test_ids.h"
#include "dialog_impl.h"
#include "drag_list.h"
#include "hyperlink.h"
#include "registry_snapshot.h"
#include "shell_client.h"
#include "tab_page_host.h"
#include "test_support.h"
#include "text.h"
#include "windows_probe.h"

namespace {

struct CDragNote {
  UINT notification;
  int id;
  HWND list;
  POINT cursor;
};

class CTestDialog : public CDialogImpl, public CWinDataExchange, public CDragListNotifyImpl {
public:
  explicit CTestDialog(int id = IDD_T_DIALOG) : CDialogImpl(id) {}
  using CDragListNotifyImpl::DrawInsert;
  using CWinDataExchange::DdxCheck;
  using CWinDataExchange::DdxRadio;
  using CWinDataExchange::DdxText;

  std::function<INT_PTR(CTestDialog&, UINT, WPARAM, LPARAM)> handler;
  int handlerErrors = 0;
  int okPressed = 0;
  std::vector<CDragNote> drags;
  BOOL allowDrag = TRUE;

protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT dragAnswer = 0;
    if (ProcessDragListMessage(message, wParam, lParam, dragAnswer)) return SetMsgResult(dragAnswer);
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) ++okPressed;
    return handler ? handler(*this, message, wParam, lParam) : FALSE;
  }
  void OnHandlerError() noexcept override { ++handlerErrors; }
  BOOL OnBeginDrag(int id, HWND list, POINT cursor) override {
    drags.push_back({DL_BEGINDRAG, id, list, cursor});
    return allowDrag;
  }
  int OnDragging(int id, HWND list, POINT cursor) override {
    drags.push_back({DL_DRAGGING, id, list, cursor});
    return DL_MOVECURSOR;
  }
  void OnDropped(int id, HWND list, POINT cursor) override { drags.push_back({DL_DROPPED, id, list, cursor}); }
  void OnCancelDrag(int id, HWND list, POINT cursor) override { drags.push_back({DL_CANCELDRAG, id, list, cursor}); }
};

// Runs this thread's messages through the dialog manager, as a modeless dialog's loop does.
bool PumpUntil(HWND dialog, const std::function<bool()>& condition, DWORD timeoutMs = 15000) {
  ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!::IsDialogMessageW(dialog, &msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
    if (condition()) return true;
    if (::GetTickCount64() >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

RECT ClientRectIn(HWND window, HWND parent) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST(DialogImpl, ModalRunRoutesToItsHandlerContainsErrorsAndReturnsTheEndValue) {
  CTestDialog dialog;
  HWND during = nullptr;
  std::vector<UINT> order;
  dialog.handler = [&](CTestDialog& d, UINT message, WPARAM, LPARAM) -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG:
        during = d.Hwnd();
        order.push_back(message);
        ::PostMessageW(d.Hwnd(), WM_APP, 0, 0);
        return TRUE;
      case WM_APP:
        order.push_back(message);
        ::PostMessageW(d.Hwnd(), WM_APP + 1, 0, 0);
        throw std::runtime_error("a handler that fails must not take the window procedure with it");
      case WM_APP + 1:
        order.push_back(message);
        d.EndDialog(42);
        return TRUE;
      default:
        return FALSE;
    }
  };
  EXPECT_EQ(dialog.DoModal(nullptr), 42);
  EXPECT_EQ(order, (std::vector<UINT>{WM_INITDIALOG, WM_APP, WM_APP + 1}));
  EXPECT_EQ(dialog.handlerErrors, 1);
  ASSERT_NE(during, nullptr);
  EXPECT_FALSE(::IsWindow(during));
  EXPECT_EQ(dialog.Hwnd(), nullptr);
}

TEST(DialogImpl, PagesAreChildWindowsThatGoWithTheirObjectOrWithTheirParent) {
  CTestDialog host;
  ASSERT_NE(host.Create(nullptr), nullptr);
  HWND first = nullptr;
  {
    CTestDialog page(IDD_T_PAGE_A);
    first = page.Create(host.Hwnd());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(::GetParent(first), host.Hwnd());
    LONG_PTR style = ::GetWindowLongPtrW(first, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & WS_CAPTION) << "a page has no title bar of its own";
    EXPECT_EQ(U8(WindowText(first)), "Alpha");
  }
  EXPECT_FALSE(::IsWindow(first));

  CTestDialog page(IDD_T_PAGE_B);
  HWND second = page.Create(host.Hwnd());
  ASSERT_NE(second, nullptr);
  ::DestroyWindow(host.Hwnd());
  EXPECT_FALSE(::IsWindow(second));
  EXPECT_EQ(page.Hwnd(), nullptr);
  EXPECT_EQ(host.Hwnd(), nullptr);
}

// One dialog for all tests of a suite: under Xvfb, with no window manager to answer, Wine waits
// 2 s for each visible top-level window that goes.
class DialogBaseTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    dialog_ = new CTestDialog;
    if (dialog_->Create(nullptr)) ::ShowWindow(dialog_->Hwnd(), SW_SHOW);
  }
  static void TearDownTestSuite() {
    delete dialog_;
    dialog_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(Dialog(), nullptr);
    dialog_->okPressed = 0;
    // Whole on the screen: pointers and pixels are read there (a test may have moved it off).
    ::SetWindowPos(Dialog(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    ::SetForegroundWindow(Dialog());
  }
  static HWND Dialog() { return dialog_->Hwnd(); }
  static HWND Item(int id) { return dialog_->Item(id); }
  static bool Checked(int id) { return IsChecked(Item(id)); }

  static CTestDialog* dialog_;
};

CTestDialog* DialogBaseTest::dialog_ = nullptr;

TEST_F(DialogBaseTest, TextRadioGroupsAndCheckBoxesGoBothWays) {
  std::wstring text = L"%Y年表ソ能";
  EXPECT_TRUE(dialog_->DdxText(Dialog(), IDC_T_EDIT, text, false));
  EXPECT_EQ(U8(WindowText(Item(IDC_T_EDIT))), U8(text));
  ::SetWindowTextW(Item(IDC_T_EDIT), L"typed");
  EXPECT_TRUE(dialog_->DdxText(Dialog(), IDC_T_EDIT, text, true));
  EXPECT_EQ(U8(text), "typed");

  // The group ends where the next one starts: "other" belongs to none of it.
  ::SendMessageW(Item(IDC_T_OTHER), BM_SETCHECK, BST_CHECKED, 0);
  int choice = 1;
  EXPECT_TRUE(dialog_->DdxRadio(Dialog(), IDC_T_RADIO1, choice, false));
  EXPECT_FALSE(Checked(IDC_T_RADIO1));
  EXPECT_TRUE(Checked(IDC_T_RADIO2));
  EXPECT_FALSE(Checked(IDC_T_RADIO3));
  EXPECT_TRUE(Checked(IDC_T_OTHER));
  ::SendMessageW(Item(IDC_T_RADIO3), BM_CLICK, 0, 0);
  EXPECT_TRUE(dialog_->DdxRadio(Dialog(), IDC_T_RADIO1, choice, true));
  EXPECT_EQ(choice, 2);
  EXPECT_TRUE(Checked(IDC_T_OTHER));
  choice = -1;
  dialog_->DdxRadio(Dialog(), IDC_T_RADIO1, choice, false);
  EXPECT_FALSE(Checked(IDC_T_RADIO1) || Checked(IDC_T_RADIO2) || Checked(IDC_T_RADIO3));
  choice = 7;
  dialog_->DdxRadio(Dialog(), IDC_T_RADIO1, choice, true);
  EXPECT_EQ(choice, -1) << "no button checked";
  int other = -1;
  dialog_->DdxRadio(Dialog(), IDC_T_OTHER, other, true);
  EXPECT_EQ(other, 0);

  bool on = true;
  dialog_->DdxCheck(Dialog(), IDC_T_CHECK, on, false);
  EXPECT_TRUE(Checked(IDC_T_CHECK));
  ::SendMessageW(Item(IDC_T_CHECK), BM_CLICK, 0, 0);
  dialog_->DdxCheck(Dialog(), IDC_T_CHECK, on, true);
  EXPECT_FALSE(on);
}

TEST_F(DialogBaseTest, TextThatComesBackIncompleteBeepsAndFocusesTheField) {
  HWND edit = Item(IDC_T_EDIT);
  ::SetWindowTextW(edit, L"abc");
  // An edit field that announces more than it then gives.
  auto liar = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) -> LRESULT {
    LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
    return message == WM_GETTEXTLENGTH ? result + 3 : result;
  };
  ASSERT_TRUE(::SetWindowSubclass(edit, liar, 1, 0));
  ::SetFocus(Item(IDC_T_BEFORE));
  std::wstring value = L"old";
  EXPECT_FALSE(dialog_->DdxText(Dialog(), IDC_T_EDIT, value, true));
  EXPECT_EQ(U8(value), "abc") << "what was read is kept";
  EXPECT_EQ(::GetFocus(), edit);
  ::RemoveWindowSubclass(edit, liar, 1);
}

TEST_F(DialogBaseTest, TabHostFitsShowsAndSelectsItsPages) {
  CTestDialog a(IDD_T_PAGE_A);
  CTestDialog b(IDD_T_PAGE_B);
  ASSERT_NE(a.Create(Dialog()), nullptr);
  ASSERT_NE(b.Create(Dialog()), nullptr);
  HWND tab = Item(IDC_T_TAB);
  CTabPageHost host;
  host.Attach(tab);
  host.AddPage(a.Hwnd());
  host.AddPage(b.Hwnd(), L"Bee");

  ASSERT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 2);
  for (int i = 0; i < 2; ++i) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = ARRAYSIZE(text);
    ::SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(U8(text), i == 0 ? "Alpha" : "Bee") << "without a title the tab reads the page's own text";
  }

  RECT display{};
  ::GetClientRect(tab, &display);
  ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  ::MapWindowPoints(tab, Dialog(), reinterpret_cast<POINT*>(&display), 2);
  for (HWND page : {a.Hwnd(), b.Hwnd()}) {
    RECT placed = ClientRectIn(page, Dialog());
    EXPECT_TRUE(::EqualRect(&placed, &display)) << placed.left << "," << placed.top << " " << placed.right << ","
                                                << placed.bottom;
    // The tab control keeps only its strip and frame: it cannot paint over the page behind it.
    RECT tabWindow{};
    ::GetWindowRect(tab, &tabWindow);
    RECT onScreen{};
    ::GetWindowRect(page, &onScreen);
    HRGN kept = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(::GetWindowRgn(tab, kept), COMPLEXREGION);
    EXPECT_FALSE(::PtInRegion(kept, (onScreen.left + onScreen.right) / 2 - tabWindow.left,
                              (onScreen.top + onScreen.bottom) / 2 - tabWindow.top));
    EXPECT_TRUE(::PtInRegion(kept, 2, 2)) << "the strip";
    ::DeleteObject(kept);
  }
  // In the tab order the pages come right after the tab strip.
  HWND first = ::GetWindow(tab, GW_HWNDNEXT);
  EXPECT_TRUE(first == a.Hwnd() || first == b.Hwnd());
  EXPECT_TRUE(::GetWindow(first, GW_HWNDNEXT) == (first == a.Hwnd() ? b.Hwnd() : a.Hwnd()));

  host.ShowSelected();
  EXPECT_TRUE(::IsWindowVisible(a.Hwnd()));
  EXPECT_FALSE(::IsWindowVisible(b.Hwnd()));
  host.SelectPage(b.Hwnd());
  EXPECT_EQ(::SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_FALSE(::IsWindowVisible(a.Hwnd()));
  EXPECT_TRUE(::IsWindowVisible(b.Hwnd()));
  host.SelectPage(Item(IDOK));
  EXPECT_EQ(::SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1) << "a window that is no page changes nothing";
  EXPECT_TRUE(::IsWindowVisible(b.Hwnd()));
}

TEST_F(DialogBaseTest, CtrlTabAndCtrlPageKeysTurnThePagesFromAnywhereAndTakeTheFocusOffAPageThatGoes) {
  CTestDialog a(IDD_T_PAGE_A);
  CTestDialog b(IDD_T_PAGE_B);
  ASSERT_NE(a.Create(Dialog()), nullptr);
  ASSERT_NE(b.Create(Dialog()), nullptr);
  ::SendMessageW(Item(IDC_T_TAB), TCM_DELETEALLITEMS, 0, 0);
  CTabPageHost host;
  host.Attach(Item(IDC_T_TAB));
  host.AddPage(a.Hwnd());
  host.AddPage(b.Hwnd());
  host.ShowSelected();
  // The keys held, as this thread reads them; none again afterwards.
  auto hold = [](const std::vector<WORD>& keys) {
    BYTE state[256] = {};
    for (WORD key : keys) state[key] = 0x80;
    ::SetKeyboardState(state);
  };
  struct CReleased {
    ~CReleased() {
      BYTE none[256] = {};
      ::SetKeyboardState(none);
    }
  } released;
  const std::vector<WORD> ctrl{VK_CONTROL};
  const struct {
    WORD key;
    std::vector<WORD> held;
    bool taken;
    int selected;
  } keys[] = {
      {VK_TAB, ctrl, true, 1},          {VK_TAB, ctrl, true, 0},  // round
      {VK_TAB, {VK_CONTROL, VK_SHIFT}, true, 1},
      {VK_PRIOR, ctrl, true, 0},        {VK_NEXT, ctrl, true, 1},
      {VK_TAB, {}, false, 1},           {VK_NEXT, {}, false, 1},  {VK_NEXT, {VK_CONTROL, VK_SHIFT}, false, 1},
      {VK_TAB, {VK_CONTROL, VK_MENU}, false, 1},
  };
  for (const auto& k : keys) {
    hold(k.held);
    MSG msg{Item(IDC_T_EDIT), WM_KEYDOWN, k.key, 0, 0, {}};
    EXPECT_EQ(host.TranslatePageKey(msg), k.taken) << k.key << " with " << k.held.size();
    EXPECT_EQ(::SendMessageW(Item(IDC_T_TAB), TCM_GETCURSEL, 0, 0), k.selected) << k.key;
  }
  // From a control of the dialog the focus stays; from the page that goes, it moves to the tab strip.
  ::SetFocus(Item(IDC_T_BEFORE));
  hold(ctrl);
  MSG next{Item(IDC_T_BEFORE), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  ASSERT_TRUE(host.TranslatePageKey(next));
  EXPECT_EQ(::GetFocus(), Item(IDC_T_BEFORE));
  ASSERT_TRUE(host.TranslatePageKey(next));
  ASSERT_TRUE(::IsWindowVisible(b.Hwnd()));
  ::SetFocus(b.Item(IDC_T_PAGE_BUTTON));
  next.hwnd = b.Item(IDC_T_PAGE_BUTTON);
  ASSERT_TRUE(host.TranslatePageKey(next));
  EXPECT_EQ(::GetFocus(), Item(IDC_T_TAB));
}

TEST_F(DialogBaseTest, AControlGoingOffWithTheFocusFirstHandsItToItsHeirOrTheNextTabStop) {
  HWND before = Item(IDC_T_BEFORE);
  HWND list = Item(IDC_T_LIST);
  FocusControl(before);
  ASSERT_EQ(::GetFocus(), before);
  EnableControl(before, false, list);
  EXPECT_EQ(::GetFocus(), list);
  EXPECT_FALSE(::IsWindowEnabled(before));
  EnableControl(before, true);
  FocusControl(before);
  EnableControl(before, false);
  EXPECT_EQ(::GetFocus(), Item(IDC_T_TAB)) << "the next tab stop";
  // One without the focus just goes off.
  EnableControl(Item(IDC_T_CHECK), false, list);
  EXPECT_EQ(::GetFocus(), Item(IDC_T_TAB));
  for (HWND control : {before, Item(IDC_T_CHECK)}) EnableControl(control, true);
}

TEST_F(DialogBaseTest, AControlIsNamedByTheLabelRightBeforeIt) {
  HWND label = Item(IDC_T_LABEL);
  EXPECT_EQ(LabelBefore(Item(IDC_T_COMBO)), label);
  EXPECT_EQ(U8(LabelText(label)), "名前(N) & 記号") << "as the label shows it";
  EXPECT_EQ(LabelBefore(Item(IDC_T_LIST)), nullptr) << "a button stands before it";
  EXPECT_EQ(LabelBefore(Item(IDC_T_RADIO1)), nullptr);
  CAccessibleNames names;
  EXPECT_EQ(names.SetFromLabel(Item(IDC_T_LIST)), E_FAIL);
}

TEST_F(DialogBaseTest, DeferredPageIsMadeWhenItsTabFirstShowsOrIsAskedFor) {
  HWND tab = Item(IDC_T_TAB);
  ::SendMessageW(tab, TCM_DELETEALLITEMS, 0, 0);
  CTestDialog a(IDD_T_PAGE_A);
  CTestDialog b(IDD_T_PAGE_B);
  CTestDialog c(IDD_T_PAGE_B);
  ASSERT_NE(a.Create(Dialog()), nullptr);
  int made = 0;
  CTabPageHost host;
  host.Attach(tab);
  host.AddPage(a.Hwnd());
  EXPECT_EQ(U8(b.TemplateCaption()), "Beta") << "read from the template alone";
  host.AddDeferredPage(b.TemplateCaption(), [&] { return ++made, b.Create(Dialog()); });
  host.AddDeferredPage(L"Gamma", [&] { return ++made, c.Create(Dialog()); });
  EXPECT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
  host.ShowSelected();
  EXPECT_EQ(made, 0);
  EXPECT_EQ(b.Hwnd(), nullptr);

  ::SendMessageW(tab, TCM_SETCURSEL, 1, 0);
  host.ShowSelected();
  ASSERT_EQ(made, 1);
  ASSERT_NE(b.Hwnd(), nullptr);
  EXPECT_TRUE(::IsWindowVisible(b.Hwnd()));
  EXPECT_FALSE(::IsWindowVisible(a.Hwnd()));
  RECT first = ClientRectIn(a.Hwnd(), Dialog());
  RECT second = ClientRectIn(b.Hwnd(), Dialog());
  EXPECT_TRUE(::EqualRect(&first, &second)) << "placed as the pages made at once";

  HWND third = host.Page(2);
  EXPECT_EQ(third, c.Hwnd());
  EXPECT_EQ(made, 2);
  EXPECT_FALSE(::IsWindowVisible(c.Hwnd())) << "made, not shown";
  host.SelectPage(c.Hwnd());
  EXPECT_TRUE(::IsWindowVisible(c.Hwnd()));
  EXPECT_FALSE(::IsWindowVisible(b.Hwnd()));
  EXPECT_EQ(host.Page(1), b.Hwnd());
  EXPECT_EQ(made, 2) << "made once";
  EXPECT_EQ(host.Page(3), nullptr);
}

TEST_F(DialogBaseTest, ComboItemsCarryTheirDataAndAnUnknownValueSelectsNothing) {
  HWND combo = ::CreateWindowExW(0, WC_COMBOBOXW, nullptr, WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, Dialog(),
                                 nullptr, nullptr, nullptr);
  ASSERT_NE(combo, nullptr);
  ComboAddItem(combo, L"ゼロ", 0);
  ComboAddItem(combo, L"二", 2);
  EXPECT_FALSE(ComboSelectedData(combo).has_value());
  EXPECT_TRUE(ComboSelectByData(combo, 2));
  EXPECT_EQ(ComboSelectedData(combo), 2);
  EXPECT_EQ(U8(ComboItemText(combo, 1)), "二");
  EXPECT_FALSE(ComboSelectByData(combo, 7));
  EXPECT_FALSE(ComboSelectedData(combo).has_value());
}

TEST_F(DialogBaseTest, CentredOverItsOwnerInsideTheWorkArea) {
  // A popup owned by the dialog.
  HWND window = ::CreateWindowExW(0, L"Static", L"owned", WS_POPUP | WS_BORDER, 0, 0, 120, 80, Dialog(), nullptr,
                                  nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  ::SetWindowPos(Dialog(), nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  CenterOverOwner(window);
  RECT owner{}, self{};
  ::GetWindowRect(Dialog(), &owner);
  ::GetWindowRect(window, &self);
  EXPECT_NEAR((self.left + self.right) / 2.0, (owner.left + owner.right) / 2.0, 1.0);
  EXPECT_NEAR((self.top + self.bottom) / 2.0, (owner.top + owner.bottom) / 2.0, 1.0);

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(Dialog(), MONITOR_DEFAULTTONEAREST), &monitor);
  ::SetWindowPos(Dialog(), nullptr, monitor.rcWork.right - 40, monitor.rcWork.bottom - 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  CenterOverOwner(window);
  ::GetWindowRect(window, &self);
  EXPECT_LE(self.right, monitor.rcWork.right);
  EXPECT_LE(self.bottom, monitor.rcWork.bottom);
  ::DestroyWindow(window);
}

POINT LineOnScreen(HWND list, int line) {
  RECT item{};
  ::SendMessageW(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&item));
  POINT point{item.left + 10, (item.top + item.bottom) / 2};
  ::ClientToScreen(list, &point);
  return point;
}

void FillLines(HWND list, int count) {
  std::vector<std::wstring> lines;
  for (int i = 0; i < count; ++i) lines.push_back(L"行" + std::to_wstring(i));
  ListBoxFill(list, lines);
}

TEST_F(DialogBaseTest, ListBoxRefillLeavesNoSelection) {
  HWND list = Item(IDC_T_LIST);
  ListBoxFill(list, {L"一", L"二", L"三"});
  ListBoxSelect(list, 2);
  EXPECT_EQ(ListBoxSelection(list), 2);
  ListBoxFill(list, {L"四", L"五"});
  EXPECT_EQ(ListBoxCount(list), 2);
  EXPECT_EQ(U8(ListBoxText(list, 1)), "五");
  EXPECT_EQ(ListBoxSelection(list), -1);
}

TEST_F(DialogBaseTest, DragListTellsItsParentWhereTheLineWasTakenAndDropped) {
  HWND list = Item(IDC_T_LIST);
  FillLines(list, 4);
  ASSERT_TRUE(CDragListNotifyImpl::MakeDragList(list));
  EXPECT_EQ(CDragListNotifyImpl::DragListMessage(), ::RegisterWindowMessageW(L"commctrl_DragListMsg"));

  // A drag with the mouse: pressed on line 1, moved over line 3, released there.
  auto drag = [&](POINT from, POINT to) {
    dialog_->drags.clear();
    ::SetCursorPos(from.x, from.y);
    ::ScreenToClient(list, &from);
    ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    ::SetCursorPos(to.x, to.y);
    ::ScreenToClient(list, &to);
    ::SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    bool dragged = PumpUntil(Dialog(), [&] {
      return !dialog_->drags.empty() && dialog_->drags.back().notification == DL_DRAGGING;
    }, 3000);
    ::SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    return dragged;
  };
  POINT from = LineOnScreen(list, 1), to = LineOnScreen(list, 3);
  EXPECT_TRUE(drag(from, to));
  const std::vector<CDragNote>& notes = dialog_->drags;
  ASSERT_GE(notes.size(), 3u);
  EXPECT_EQ(notes.front().notification, static_cast<UINT>(DL_BEGINDRAG));
  EXPECT_EQ(notes.front().id, IDC_T_LIST);
  EXPECT_EQ(notes.front().list, list);
  EXPECT_EQ(notes.front().cursor.y, from.y);
  EXPECT_EQ(notes.back().notification, static_cast<UINT>(DL_DROPPED));
  EXPECT_EQ(notes.back().cursor.y, to.y);
  EXPECT_EQ(ListBoxSelection(list), 1) << "the pressed line is the dragged one";

  // A parent that refuses the drag hears of nothing more.
  dialog_->allowDrag = FALSE;
  EXPECT_FALSE(drag(from, to));
  dialog_->allowDrag = TRUE;
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes.front().notification, static_cast<UINT>(DL_BEGINDRAG));
}

TEST_F(DialogBaseTest, DraggingPastTheEdgeOfTheListScrollsIt) {
  HWND list = Item(IDC_T_LIST);
  FillLines(list, 40);
  CDragListNotifyImpl::MakeDragList(list);
  ::SendMessageW(list, LB_SETTOPINDEX, 20, 0);
  RECT box{};
  ::GetWindowRect(list, &box);
  POINT above{box.left + 10, box.top - 3};
  EXPECT_EQ(CDragListNotifyImpl::LBItemFromPt(list, above, false), -1);
  EXPECT_EQ(::SendMessageW(list, LB_GETTOPINDEX, 0, 0), 20);
  // The common controls pace the scrolling: asked again and again, as a drag does.
  EXPECT_TRUE(WaitUntil([&] {
    CDragListNotifyImpl::LBItemFromPt(list, above, true);
    return ::SendMessageW(list, LB_GETTOPINDEX, 0, 0) < 20;
  }, 5000));
}

// Screen pixels of a rectangle, as they show now.
std::vector<COLORREF> Pixels(const RECT& area) {
  std::vector<COLORREF> pixels;
  HDC screen = ::GetDC(nullptr);
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) pixels.push_back(::GetPixel(screen, x, y));
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

TEST_F(DialogBaseTest, InsertionMarkStandsBesideItsLineAndLeavesNothingBehind) {
  HWND list = Item(IDC_T_LIST);
  FillLines(list, 5);
  CDragListNotifyImpl::MakeDragList(list);
  ::RedrawWindow(Dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT box{};
  ::GetWindowRect(list, &box);
  // Beside the box on the dialog, and the box's own left edge, where the mark reaches in.
  auto beside = [&](int line) {
    int y = LineOnScreen(list, line).y;
    return RECT{box.left - 8, y - 10, box.left + 3, y};
  };
  const RECT whole{box.left - 8, box.top, box.left + 3, box.bottom};
  // The dialog as painted: when two looks in a row agree.
  std::vector<COLORREF> clean;
  PumpUntil(Dialog(), [&] {
    std::vector<COLORREF> now = Pixels(whole);
    return std::exchange(clean, now) == now;
  });
  auto changed = [](const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
  };
  const std::vector<COLORREF> line1 = Pixels(beside(1)), line3 = Pixels(beside(3));

  // What is drawn reaches the screen once the thread has run its messages.
  auto shows = [&](const std::function<bool()>& condition) { return PumpUntil(Dialog(), condition, 5000); };
  dialog_->DrawInsert(Dialog(), list, 1);
  EXPECT_TRUE(shows([&] { return changed(Pixels(beside(1)), line1) > 5; })) << "no mark before line 1";
  dialog_->DrawInsert(Dialog(), list, 3);
  EXPECT_TRUE(shows([&] { return changed(Pixels(beside(3)), line3) > 5; })) << "no mark before line 3";
  EXPECT_TRUE(shows([&] { return changed(Pixels(beside(1)), line1) == 0; })) << "the mark stays before line 1";
  dialog_->DrawInsert(Dialog(), list, -1);
  EXPECT_TRUE(shows([&] { return changed(Pixels(whole), clean) == 0; })) << "something of the mark is left";
}

TEST_F(DialogBaseTest, CheckListKeepsMarksPerLineInOneColumn) {
  CCheckListViewCtrl view;
  ASSERT_TRUE(view.Attach(Item(IDC_T_CHECKLIST)));
  auto extended = static_cast<DWORD>(::SendMessageW(view.Hwnd(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT), DWORD{LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT});
  view.SetSingleColumn(80);
  view.SetSingleColumn(100);
  EXPECT_EQ(::SendMessageW(view.Hwnd(), LVM_GETCOLUMNWIDTH, 0, 0), 100);
  EXPECT_EQ(::SendMessageW(view.Hwnd(), LVM_GETCOLUMNWIDTH, 1, 0), 0) << "one column";

  EXPECT_EQ(view.AddItem(L"ベース名", true), 0);
  EXPECT_EQ(view.AddItem(L"拡張子", false), 1);
  EXPECT_EQ(view.GetItemCount(), 2);
  EXPECT_EQ(U8(view.GetItemText(1)), "拡張子");
  EXPECT_TRUE(view.GetCheckState(0));
  EXPECT_FALSE(view.GetCheckState(1));
  view.SetCheckState(0, false);
  view.SetCheckState(1, true);
  EXPECT_FALSE(view.GetCheckState(0));
  EXPECT_TRUE(view.GetCheckState(1));

  EXPECT_EQ(view.GetSelectedIndex(), -1);
  view.SelectItem(1);
  EXPECT_EQ(view.GetSelectedIndex(), 1);
  EXPECT_EQ(::SendMessageW(view.Hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
  view.DeleteAllItems();
  EXPECT_EQ(view.GetItemCount(), 0);
  EXPECT_EQ(view.GetSelectedIndex(), -1);
}

class HyperLinkTest : public DialogBaseTest {
protected:
  static constexpr const wchar_t* kColours = L"Software\\Microsoft\\Internet Explorer\\Settings";

  void SetColours(const std::wstring& link, const std::wstring& visited) {
    SetRegistryString(HKEY_CURRENT_USER, kColours, L"Anchor Color", link);
    SetRegistryString(HKEY_CURRENT_USER, kColours, L"Anchor Color Visited", visited);
  }

  // Pixels of `color` in the link as it paints itself.
  static int PixelsOf(HWND link, COLORREF color) {
    RECT client{};
    ::GetClientRect(link, &client);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SendMessageW(link, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    int count = 0;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) count += ::GetPixel(memory, x, y) == color;
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return count;
  }

  // A point of the link's client area at `fraction` of its width, in the middle of its height.
  POINT PointAt(double fraction) const {
    RECT client{};
    ::GetClientRect(Item(IDC_T_LINK), &client);
    return POINT{static_cast<LONG>(client.right * fraction), client.bottom / 2};
  }

  CRegistrySnapshot colours_{HKEY_CURRENT_USER, kColours};
};

TEST_F(HyperLinkTest, PaintsInTheUsersColoursUnderlinedAndBecomesAStop) {
  SetColours(L"10,20,30", L" 200 , 100 ,50");
  CHyperLink link;
  ASSERT_TRUE(link.SubclassWindow(Item(IDC_T_LINK)));
  EXPECT_EQ(link.LinkColor(), RGB(10, 20, 30));
  EXPECT_EQ(link.VisitedColor(), RGB(200, 100, 50));
  // The underline alone is a run of pixels in the link colour.
  EXPECT_GT(PixelsOf(link.Hwnd(), RGB(10, 20, 30)), 30);
  EXPECT_EQ(PixelsOf(link.Hwnd(), RGB(200, 100, 50)), 0);
  LONG_PTR style = ::GetWindowLongPtrW(link.Hwnd(), GWL_STYLE);
  EXPECT_TRUE(style & WS_TABSTOP);
  EXPECT_TRUE(style & SS_NOTIFY);
  EXPECT_EQ(U8(WindowText(link.Hwnd())), "https://link.example/") << "the visible text stays the static's";
}

TEST_F(HyperLinkTest, ColourSettingsOtherThanThreeNumbersLeaveBlueAndPurple) {
  for (const wchar_t* bad : {L"1,2", L"256,0,0", L"a,b,c", L"1,2,3,4", L"", L"1,,3", L"-1,0,0"}) {
    SCOPED_TRACE(U8(bad));
    SetColours(bad, bad);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(Item(IDC_T_LINK)));
    EXPECT_EQ(link.LinkColor(), RGB(0, 0, 255));
    EXPECT_EQ(link.VisitedColor(), RGB(128, 0, 128));
  }
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kColours);
  CHyperLink link;
  ASSERT_TRUE(link.SubclassWindow(Item(IDC_T_LINK)));
  EXPECT_EQ(link.LinkColor(), RGB(0, 0, 255));
  EXPECT_GT(PixelsOf(link.Hwnd(), RGB(0, 0, 255)), 30);
}

TEST_F(HyperLinkTest, HandCursorAndTooltipOverTheTextOnly) {
  CHyperLink link;
  ASSERT_TRUE(link.SubclassWindow(Item(IDC_T_LINK)));
  link.SetHyperLink(L"https://target.example/");

  wchar_t tip[256] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = Dialog();
  tool.uId = reinterpret_cast<UINT_PTR>(link.Hwnd());
  tool.lpszText = tip;
  ASSERT_NE(link.ToolTip(), nullptr);
  ::SendMessageW(link.ToolTip(), TTM_GETTEXTW, ARRAYSIZE(tip), reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(U8(tip), "https://target.example/");

  auto cursorAt = [&](double fraction) {
    POINT point = PointAt(fraction);
    ::ClientToScreen(link.Hwnd(), &point);
    ::SetCursorPos(point.x, point.y);
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    ::SendMessageW(link.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
  };
  EXPECT_EQ(cursorAt(0.05), ::LoadCursorW(nullptr, IDC_HAND));
  // The static is wider than its text.
  EXPECT_NE(cursorAt(0.98), ::LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(HyperLinkTest, EnterSpaceAndAClickOnTheTextOpenTheTargetAndMarkItVisited) {
  CTempDir folder(L"link");
  std::wstring target = folder / L"link_target.exe";
  ASSERT_TRUE(::CopyFileW(JoinPath(TestDir(), L"link_target\\link_target.exe").c_str(), target.c_str(), FALSE));
  std::wstring log = folder / L"link_target.log";
  auto opened = [&] { return PathExists(log) ? static_cast<int>(ReadBytes(log).size() / 7) : 0; };

  SetColours(L"1,2,3", L"4,5,6");
  CHyperLink link;
  ASSERT_TRUE(link.SubclassWindow(Item(IDC_T_LINK)));
  link.SetHyperLink(target);

  // Tab reaches it from the control before it.
  ::SetFocus(Item(IDC_T_BEFORE));
  ::SendMessageW(Dialog(), WM_NEXTDLGCTL, 0, FALSE);
  ASSERT_EQ(::GetFocus(), link.Hwnd());

  // Keys arrive as typed ones do and go through the dialog manager; Enter must not press OK.
  auto press = [&](WORD key) {
    LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(link.Hwnd(), WM_KEYDOWN, key, scan | 1);
    ::PostMessageW(link.Hwnd(), WM_KEYUP, key, scan | 1 | (3u << 30));
  };
  press(VK_RETURN);
  ASSERT_TRUE(PumpUntil(Dialog(), [&] { return opened() == 1; }));
  EXPECT_EQ(dialog_->okPressed, 0);
  EXPECT_TRUE(link.IsVisited());
  EXPECT_GT(PixelsOf(link.Hwnd(), RGB(4, 5, 6)), 30);
  EXPECT_EQ(PixelsOf(link.Hwnd(), RGB(1, 2, 3)), 0);

  press(VK_SPACE);
  ASSERT_TRUE(PumpUntil(Dialog(), [&] { return opened() == 2; }));

  auto click = [&](double fraction) {
    POINT point = PointAt(fraction);
    ::PostMessageW(link.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    ::PostMessageW(link.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  };
  click(0.05);
  ASSERT_TRUE(PumpUntil(Dialog(), [&] { return opened() == 3; }));
  click(0.98);
  PumpUntil(Dialog(), [] { return false; }, 1000);
  EXPECT_EQ(opened(), 3) << "beside the text is no link";
  EXPECT_EQ(dialog_->okPressed, 0);
}

TEST_F(HyperLinkTest, ScreenReadersMeetALinkToItsTargetThatTheirDefaultActionOpens) {
  CTempDir folder(L"link");
  std::wstring target = folder / L"link_target.exe";
  ASSERT_TRUE(::CopyFileW(JoinPath(TestDir(), L"link_target\\link_target.exe").c_str(), target.c_str(), FALSE));
  std::wstring log = folder / L"link_target.log";
  CComApartment com;
  IAccessible* object = nullptr;
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT value{};
  {
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(Item(IDC_T_LINK)));
    link.SetHyperLink(target);
    ASSERT_EQ(::AccessibleObjectFromWindow(link.Hwnd(), static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object)),
              S_OK);
    auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
      BSTR got = nullptr;
      std::string out = SUCCEEDED((object->*get)(self, &got)) && got ? U8(got) : "(none)";
      ::SysFreeString(got);
      return out;
    };
    EXPECT_EQ(text(&IAccessible::get_accName), "https://link.example/") << "the visible text";
    EXPECT_EQ(text(&IAccessible::get_accValue), U8(target));
    EXPECT_EQ(text(&IAccessible::get_accDefaultAction), "ジャンプ");
    ASSERT_EQ(object->get_accRole(self, &value), S_OK);
    EXPECT_EQ(value.lVal, ROLE_SYSTEM_LINK);
    ASSERT_EQ(object->get_accState(self, &value), S_OK);
    EXPECT_EQ(value.lVal & (STATE_SYSTEM_LINKED | STATE_SYSTEM_TRAVERSED), STATE_SYSTEM_LINKED);

    EXPECT_EQ(object->accDoDefaultAction(self), S_OK);
    ASSERT_TRUE(PumpUntil(Dialog(), [&] { return PathExists(log); }));
    EXPECT_TRUE(link.IsVisited());
    ASSERT_EQ(object->get_accState(self, &value), S_OK);
    EXPECT_TRUE(value.lVal & STATE_SYSTEM_TRAVERSED);
    VARIANT child = self;
    child.lVal = 1;
    EXPECT_EQ(object->get_accRole(child, &value), E_INVALIDARG) << "a link has no parts";
  }
  // A reader may hold the object after the link has gone.
  EXPECT_EQ(object->get_accRole(self, &value), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(object->accDoDefaultAction(self), CO_E_OBJNOTCONNECTED);
  object->Release();
}

TEST_F(HyperLinkTest, ATargetTheShellCannotOpenStaysUnvisited) {
  CTempDir folder(L"link");
  CHyperLink link;
  ASSERT_TRUE(link.SubclassWindow(Item(IDC_T_LINK)));
  link.SetHyperLink(folder / L"missing.exe");
  EXPECT_FALSE(link.Navigate());
  EXPECT_FALSE(link.IsVisited());
  EXPECT_GT(PixelsOf(link.Hwnd(), link.LinkColor()), 30);
  link.SetHyperLink(L"");
  EXPECT_FALSE(link.Navigate());
}

}  // namespace
