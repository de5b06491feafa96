#pragma once
// A dialog made from a template, with all of its messages going to one handler of its own.
// Modal dialogs run with DoModal; pages are modeless children made with Create.
#include <windows.h>

#include <string>

#include "accessibility.h"

// The module this code is linked into, where the dialog templates normally live.
HINSTANCE ThisModule();

class CDialogImpl {
public:
  explicit CDialogImpl(int templateId, HINSTANCE instance = ThisModule());
  CDialogImpl(const CDialogImpl&) = delete;
  CDialogImpl& operator=(const CDialogImpl&) = delete;
  // A modeless window still open goes with its object.
  virtual ~CDialogImpl();

  // Runs the dialog modally; the value given to EndDialog, or -1 when no window could be made.
  // Afterwards the focus is back on the control that had it, in the dialog the user returns to.
  INT_PTR DoModal(HWND owner);
  // Makes the dialog as a modeless window, a child when the template says so; null on failure.
  HWND Create(HWND parent);
  void EndDialog(INT_PTR result);

  HWND Hwnd() const { return hwnd_; }
  HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
  int TemplateId() const { return templateId_; }
  // The caption the template gives the window, read without making it.
  std::wstring TemplateCaption() const;

protected:
  // The one handler: returns what a dialog procedure returns (TRUE handled, FALSE default
  // processing). Messages that answer through DWLP_MSGRESULT use SetMsgResult.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // An exception left the handler; it must go no further than the window procedure.
  virtual void OnHandlerError() noexcept;
  INT_PTR SetMsgResult(LRESULT result);

  // While the dialog runs modally, every message for it or its controls (pages included) comes here
  // before the dialog manager sees it; true when it has been dealt with. Enter on a focused push
  // button presses that button, wherever it lives (the dialog manager would send the command to this
  // dialog, which does not own a page's buttons).
  virtual bool PreTranslateMessage(MSG& msg);

  // Names for screen readers, taken back when the window goes.
  CAccessibleNames& AccessibleNames() { return names_; }

private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  CAccessibleNames names_;
};
