#include "drag_list.h"

#include <commctrl.h>

#include "display_scale.h"

UINT CDragListNotifyImpl::DragListMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"commctrl_DragListMsg");
  return message;
}

bool CDragListNotifyImpl::MakeDragList(HWND list) { return ::MakeDragList(list) != FALSE; }

int CDragListNotifyImpl::LBItemFromPt(HWND list, POINT screen, bool autoScroll) {
  return ::LBItemFromPt(list, screen, autoScroll ? TRUE : FALSE);
}

void CDragListNotifyImpl::DrawInsert(HWND parent, HWND list, int line) {
  // An arrow on the parent pointing at the gap above the line, just left of the box, sized for
  // the parent's DPI (the common controls' own mark is a fixed image at fixed offsets).
  RECT mark{};
  POINT tip{};
  int width = ScaleForWindow(parent, 6);
  int half = ScaleForWindow(parent, 6);
  RECT item{};
  if (line >= 0 && ::SendMessageW(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
    RECT box{};
    ::GetWindowRect(list, &box);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
    tip = POINT{item.left, item.top};
    ::MapWindowPoints(list, parent, &tip, 1);
    tip.x = box.left - ScaleForWindow(parent, 1);
    mark = RECT{tip.x - width, tip.y - half, box.left, tip.y + half + 1};
  }
  if (markedList_ == list && ::EqualRect(&mark, &markedRect_)) return;
  // The parent repaints what the old mark covered, children there included.
  if (markedList_) ::RedrawWindow(parent, &markedRect_, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  markedList_ = nullptr;
  markedRect_ = RECT{};
  if (::IsRectEmpty(&mark)) return;

  HDC dc = ::GetDC(parent);
  HGDIOBJ oldBrush = ::SelectObject(dc, ::GetSysColorBrush(COLOR_WINDOWTEXT));
  HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(DC_PEN));
  ::SetDCPenColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  POINT arrow[3] = {{tip.x - width, tip.y - half}, tip, {tip.x - width, tip.y + half}};
  ::Polygon(dc, arrow, 3);
  ::SelectObject(dc, oldPen);
  ::SelectObject(dc, oldBrush);
  ::ReleaseDC(parent, dc);
  markedList_ = list;
  markedRect_ = mark;
}

bool CDragListNotifyImpl::ProcessDragListMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // 0 when the name could not be registered; then no message is a drag-list one.
  UINT dragList = DragListMessage();
  if (dragList == 0 || message != dragList || lParam == 0) return false;
  const auto* info = reinterpret_cast<const DRAGLISTINFO*>(lParam);
  int id = static_cast<int>(wParam);
  result = 0;
  switch (info->uNotification) {
    case DL_BEGINDRAG:
      result = OnBeginDrag(id, info->hWnd, info->ptCursor);
      break;
    case DL_DRAGGING:
      result = OnDragging(id, info->hWnd, info->ptCursor);
      break;
    case DL_DROPPED:
      OnDropped(id, info->hWnd, info->ptCursor);
      break;
    case DL_CANCELDRAG:
      OnCancelDrag(id, info->hWnd, info->ptCursor);
      break;
    default:
      return false;
  }
  return true;
}

BOOL CDragListNotifyImpl::OnBeginDrag(int, HWND, POINT) { return FALSE; }
int CDragListNotifyImpl::OnDragging(int, HWND, POINT) { return DL_STOPCURSOR; }
void CDragListNotifyImpl::OnDropped(int, HWND, POINT) {}
void CDragListNotifyImpl::OnCancelDrag(int, HWND, POINT) {}
