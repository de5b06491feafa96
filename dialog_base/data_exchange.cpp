#include "data_exchange.h"

#include <vector>

namespace {

std::vector<HWND> RadioGroup(HWND first) {
  std::vector<HWND> buttons;
  for (HWND control = first; control; control = ::GetWindow(control, GW_HWNDNEXT)) {
    if (control != first && (::GetWindowLongPtrW(control, GWL_STYLE) & WS_GROUP)) break;
    if (::SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) buttons.push_back(control);
  }
  return buttons;
}

}  // namespace

bool CWinDataExchange::DdxText(HWND dialog, int id, std::wstring& value, bool save) {
  HWND control = ::GetDlgItem(dialog, id);
  if (!control) return false;
  if (!save) return ::SetWindowTextW(control, value.c_str()) != FALSE;
  int length = ::GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int read = ::GetWindowTextW(control, text.data(), length + 1);
  text.resize(read > 0 ? read : 0);
  value = std::move(text);
  if (read < length) {
    OnDataExchangeError(dialog, id);
    return false;
  }
  return true;
}

bool CWinDataExchange::DdxRadio(HWND dialog, int firstId, int& value, bool save) {
  HWND first = ::GetDlgItem(dialog, firstId);
  if (!first) return false;
  std::vector<HWND> buttons = RadioGroup(first);
  if (save) {
    value = -1;
    for (std::size_t i = 0; i < buttons.size(); ++i)
      if (::SendMessageW(buttons[i], BM_GETCHECK, 0, 0) == BST_CHECKED) value = static_cast<int>(i);
  } else {
    for (std::size_t i = 0; i < buttons.size(); ++i)
      ::SendMessageW(buttons[i], BM_SETCHECK, static_cast<int>(i) == value ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return true;
}

bool CWinDataExchange::DdxCheck(HWND dialog, int id, bool& value, bool save) {
  HWND control = ::GetDlgItem(dialog, id);
  if (!control) return false;
  if (save)
    value = ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
  else
    ::SendMessageW(control, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
  return true;
}

void CWinDataExchange::OnDataExchangeError(HWND dialog, int id) {
  ::MessageBeep(MB_ICONWARNING);
  if (HWND control = ::GetDlgItem(dialog, id)) ::SetFocus(control);
}
