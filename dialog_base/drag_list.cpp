#include "drag_list.h"

#include <commctrl.h>

UINT CDragListNotifyImpl::DragListMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"commctrl_DragListMsg");
  return message;
}

bool CDragListNotifyImpl::MakeDragList(HWND list) { return ::MakeDragList(list) != FALSE; }

int CDragListNotifyImpl::LBItemFromPt(HWND list, POINT screen, bool autoScroll) {
  return ::LBItemFromPt(list, screen, autoScroll ? TRUE : FALSE);
}

void CDragListNotifyImpl::DrawInsert(HWND parent, HWND list, int line) {
  if (list == markedList_ && line == markedLine_) return;
  // The mark reaches into the box's frame, which repainting the parent leaves as it is: the box
  // repaints itself before the mark moves or goes.
  if (markedList_) ::RedrawWindow(markedList_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  ::DrawInsert(parent, list, line);
  markedList_ = line >= 0 ? list : nullptr;
  markedLine_ = line;
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
