#include "dialog_impl.h"

#include "display_scale.h"

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

std::wstring CDialogImpl::TemplateCaption() const {
  HRSRC found = ::FindResourceW(instance_, MAKEINTRESOURCEW(templateId_), RT_DIALOG);
  if (!found) return {};
  const auto* p = static_cast<const WORD*>(::LockResource(::LoadResource(instance_, found)));
  const WORD* end = p + ::SizeofResource(instance_, found) / sizeof(WORD);
  if (!p || end - p < 13) return {};
  // The fixed head: 13 words in an extended template, 9 in a plain one; then menu and class.
  p += (p[0] == 1 && p[1] == 0xFFFF) ? 13 : 9;
  for (int field = 0; field < 2 && p < end; ++field) {
    if (*p == 0xFFFF)
      p += 2;
    else
      while (p < end && *p++) {
      }
  }
  std::wstring caption;
  while (p < end && *p) caption.push_back(static_cast<wchar_t>(*p++));
  return caption;
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
  // Texts measured with the font the system gave, once the handler has set its own.
  if (message == WM_INITDIALOG) FitLabels(window);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}
