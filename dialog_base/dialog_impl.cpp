#include "dialog_impl.h"

#include <algorithm>
#include <vector>

#include "controls.h"
#include "display_scale.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// The modal dialogs running on this thread, innermost last, and the filter that hands them their
// messages: the system's modal loop offers each message to the thread's message filter before the
// dialog manager sees it.
thread_local std::vector<CDialogImpl*> modalDialogs;
thread_local HHOOK messageFilter = nullptr;

bool IsPushButton(HWND window) {
  auto code = static_cast<UINT>(::SendMessageW(window, WM_GETDLGCODE, 0, 0));
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

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
  HWND opener = ::GetFocus();
  modalDialogs.push_back(this);
  if (!messageFilter)
    messageFilter = ::SetWindowsHookExW(WH_MSGFILTER, MessageFilter, nullptr, ::GetCurrentThreadId());
  INT_PTR result = ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
  modalDialogs.erase(std::find(modalDialogs.begin(), modalDialogs.end(), this));
  if (modalDialogs.empty() && messageFilter) {
    ::UnhookWindowsHookEx(messageFilter);
    messageFilter = nullptr;
  }
  // The user goes on where the dialog was opened from (the dialog manager would only put the focus
  // back, without the default button's look that goes with a focused push button).
  if (opener && ::IsWindow(opener) && ::IsWindowVisible(opener) && ::IsWindowEnabled(opener)) FocusControl(opener);
  return result;
}

LRESULT CALLBACK CDialogImpl::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == MSGF_DIALOGBOX && msg && msg->hwnd) {
    HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
    for (CDialogImpl* dialog : modalDialogs) {
      if (dialog->hwnd_ != root) continue;
      try {
        if (dialog->PreTranslateMessage(*msg)) return TRUE;
      } catch (...) {
        dialog->OnHandlerError();
        return TRUE;
      }
      break;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CDialogImpl::PreTranslateMessage(MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN) return false;
  HWND focus = ::GetFocus();
  if (!focus || !::IsChild(hwnd_, focus) || !IsPushButton(focus)) return false;
  // Its command goes where a click sends it: to the window that holds the button. Posted, so that
  // what it opens runs outside this filter.
  ::PostMessageW(::GetParent(focus), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(focus), BN_CLICKED),
                 reinterpret_cast<LPARAM>(focus));
  return true;
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
  if (message == WM_INITDIALOG && self->modal_) {
    // The template's default button stays the default: Enter presses it while no push button has
    // the focus, whatever button last showed the default look.
    auto defaultId = static_cast<DWORD>(::SendMessageW(window, DM_GETDEFID, 0, 0));
    if (HIWORD(defaultId) == DC_HASDEFID) ::SendMessageW(window, DM_SETDEFID, LOWORD(defaultId), 0);
  }
  if (message == WM_DESTROY) self->names_.Clear();
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}
