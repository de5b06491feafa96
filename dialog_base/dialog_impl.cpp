#include "dialog_impl.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

CDialogImpl::CDialogImpl(int templateId, HINSTANCE instance) : templateId_(templateId), instance_(instance) {}

CDialogImpl::~CDialogImpl() {
  if (hwnd_ && !modal_) {
    // Detach first: the handler of a half-destroyed object must not run.
    HWND window = hwnd_;
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
    hwnd_ = nullptr;
    ::DestroyWindow(window);
  }
}

INT_PTR CDialogImpl::DoModal(HWND owner) {
  modal_ = true;
  return ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CDialogImpl::Create(HWND parent) {
  modal_ = false;
  return ::CreateDialogParamW(instance_, MAKEINTRESOURCEW(templateId_), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void CDialogImpl::EndDialog(INT_PTR result) {
  if (hwnd_) ::EndDialog(hwnd_, result);
}

void CDialogImpl::OnHandlerError() noexcept { ::MessageBeep(MB_ICONERROR); }

INT_PTR CDialogImpl::SetMsgResult(LRESULT result) {
  ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK CDialogImpl::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialogImpl* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialogImpl*>(lParam);
    ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = window;
  } else {
    self = reinterpret_cast<CDialogImpl*>(::GetWindowLongPtrW(window, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (the font) have no object yet.
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    self->OnHandlerError();
    result = message == WM_INITDIALOG ? TRUE : FALSE;
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}
