#pragma once
// Small helpers for the controls of a dialog.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

std::wstring WindowText(HWND window);
// Whether the window is of the named window class (letter case aside), such as "Static".
bool IsWindowClass(HWND window, const wchar_t* className);
// The text a label shows: "&&" reads as "&", a lone "&" (the mnemonic mark) not at all.
std::wstring LabelText(HWND label);
// The static text or group box right before `control` among its siblings (lines, frames and icons
// between them aside): the label a user reads for it. Null when there is none.
HWND LabelBefore(HWND control);

// Focus and enabling, as the dialog manager of the control's top-level dialog keeps them (the
// default button's look follows the focus).
void FocusControl(HWND control);
// A window that is disabled while it holds the focus takes the focus with it, and then no key
// reaches the dialog any more: a control that holds the focus first hands it to `heir` (the next tab
// stop when `heir` is null or cannot take it).
void EnableControl(HWND control, bool enable, HWND heir = nullptr);

// Combo boxes. Item data is what the program stores; the text is what the user reads.
int ComboAddItem(HWND combo, const wchar_t* text, LPARAM data = 0);
std::wstring ComboItemText(HWND combo, int index);
// Selects the first item carrying `data`; with none, the combo shows no selection (false).
bool ComboSelectByData(HWND combo, LPARAM data);
// The data of the selected item; nothing when no item is selected.
std::optional<LPARAM> ComboSelectedData(HWND combo);

// List boxes, single selection. Lines are int positions with -1 for "none", as the box reports them.
// Refilling empties the box first and leaves it without a selection.
void ListBoxFill(HWND list, const std::vector<std::wstring>& lines);
int ListBoxCount(HWND list);
std::wstring ListBoxText(HWND list, int line);
int ListBoxSelection(HWND list);
// -1 clears the selection.
void ListBoxSelect(HWND list, int line);

// Centres a window over its owner, kept inside the work area of the owner's monitor (of the
// window's own monitor when it has no owner).
void CenterOverOwner(HWND window);

// The wait cursor while the thread is busy and does not pump messages; the previous one after.
class CWaitCursor {
public:
  CWaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  ~CWaitCursor() { ::SetCursor(previous_); }

private:
  HCURSOR previous_;
};
