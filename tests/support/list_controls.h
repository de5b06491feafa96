#pragma once
// List boxes, list views and drag lists of another process's dialogs, driven as a user drives them.
// Messages whose data is a pointer carry it in memory of the program itself, as a control's own
// notifications do.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "handles.h"

// A block of memory in the process that owns `window`, freed when the object goes.
class CRemoteMemory {
public:
  CRemoteMemory(HWND window, std::size_t size);
  CRemoteMemory(const CRemoteMemory&) = delete;
  CRemoteMemory& operator=(const CRemoteMemory&) = delete;
  ~CRemoteMemory();

  LPARAM Address(std::size_t offset = 0) const { return reinterpret_cast<LPARAM>(address_) + offset; }
  void Write(const void* data, std::size_t size, std::size_t offset = 0);
  void Read(void* data, std::size_t size, std::size_t offset = 0) const;

private:
  CHandle process_;
  void* address_ = nullptr;
};

// The lines of a list box as they read.
std::vector<std::wstring> ListLines(HWND list);
int SelectedLine(HWND list);
// Where a line of a list box shows on the screen (the middle of its left part).
POINT LinePoint(HWND list, int line);
// A mouse click on a line: the pointer goes there, the button down and up; `twice` for a
// double-click. It returns once the box has handled the click (the messages are sent, so a click
// that opens a message box returns when the box has been answered).
void ClickLine(HWND list, int line, bool twice = false);

// A drag with the mouse as a drag list meets it: the button pressed on line `from` (which selects
// the line and begins the drag), the pointer moved to `to` (screen coordinates) and the button
// released there. `whileOver` runs while the pointer is over `to` and the button still down.
void DragLine(HWND list, int from, POINT to, const std::function<void()>& whileOver = {});

// List views in report view with check boxes.
int ListViewCount(HWND view);
std::wstring ListViewText(HWND view, int line);
bool ListViewChecked(HWND view, int line);
// A check mark set or cleared as a click on the line's box does: the view tells its parent.
void SetListViewChecked(HWND view, int line, bool checked);
int ListViewSelection(HWND view);
void SelectListViewLine(HWND view, int line);
