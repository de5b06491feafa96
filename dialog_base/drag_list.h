#pragma once
// List boxes whose lines the user drags with the mouse, as the common controls offer them: the box
// tells its parent through one registered message when a drag begins, while it goes on, where it
// is dropped and when it is cancelled. A dialog derives from this and hands its messages to
// ProcessDragListMessage from its one handler.
#include <windows.h>

class CDragListNotifyImpl {
public:
  virtual ~CDragListNotifyImpl() = default;

  // The message a drag list sends its parent, registered under "commctrl_DragListMsg".
  static UINT DragListMessage();
  // Turns a single-selection list box into a drag list.
  static bool MakeDragList(HWND list);
  // The line under a point of the screen, -1 when none (also below the last line). With
  // `autoScroll` a point just above or below the box scrolls it by a line, paced by the common
  // controls, so that a drag reaches lines out of view.
  static int LBItemFromPt(HWND list, POINT screen, bool autoScroll);

protected:
  // The insertion mark before `line`, drawn on the list's parent beside the box at the parent's DPI;
  // -1 takes it away.
  void DrawInsert(HWND parent, HWND list, int line);

  // True when `message` is a drag-list notification; `result` is then the parent's answer.
  bool ProcessDragListMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // TRUE lets the drag begin.
  virtual BOOL OnBeginDrag(int controlId, HWND list, POINT cursor);
  // DL_STOPCURSOR, DL_COPYCURSOR or DL_MOVECURSOR for the common controls' cursors, or
  // DL_CURSORSET when the handler has set a cursor of its own.
  virtual int OnDragging(int controlId, HWND list, POINT cursor);
  virtual void OnDropped(int controlId, HWND list, POINT cursor);
  virtual void OnCancelDrag(int controlId, HWND list, POINT cursor);

private:
  HWND markedList_ = nullptr;  // where the mark stands, if anywhere
  RECT markedRect_{};          // what it covers on the parent
};
