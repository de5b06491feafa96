#include "option_tab_page.h"

#include "controls.h"
#include "date_stamp.h"
#include "errors.h"
#include "resource.h"

namespace {

constexpr const wchar_t* kDatePresets[] = {L"%Y%m%d",   L"%Y-%m-%d",   L"[%Y-%m-%d]",
                                           L"%Y.%m.%d", L"[%Y.%m.%d]", L"%Y年%m月%d日"};
constexpr const wchar_t* kDateTimePresets[] = {L"%Y%m%d_%H%M%S",       L"%Y-%m-%d_%H-%M-%S",
                                               L"[%Y-%m-%d_%H-%M-%S]", L"%Y.%m.%d_%H.%M.%S",
                                               L"[%Y.%m.%d_%H.%M.%S]", L"%Y年%m月%d日_%H時%M分%S秒"};
// Text and the stored index into DateSeparators.
constexpr struct {
  const wchar_t* text;
  int value;
} kConnections[] = {{L"アンダーバー", 0}, {L"ハイフン", 1}, {L"スペース", 2}};

// The record's format fields hold 30 characters and the terminator.
constexpr int kFormatLimit = 30;

CStampTime Now() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return StampTimeOf(now);
}

}  // namespace

COptionTabPage::COptionTabPage(CConfigApp& app, CSettings& settings)
    : CDialogImpl(IDD_OPTION_PAGE), app_(app), settings_(settings), referenceTime_(Now()) {}

void COptionTabPage::OnInitPage() {
  DdxText(Hwnd(), IDC_DATE_FORMAT, dateFormat_, false);
  DdxText(Hwnd(), IDC_DATE_TIME_FORMAT, dateTimeFormat_, false);
  connection_ = Item(IDC_CONNECTION);
  dateFormatBox_ = Item(IDC_DATE_FORMAT);
  datePreview_ = Item(IDC_DATE_PREVIEW);
  dateTimeFormatBox_ = Item(IDC_DATE_TIME_FORMAT);
  dateTimePreview_ = Item(IDC_DATE_TIME_PREVIEW);

  ::SendMessageW(dateFormatBox_, CB_LIMITTEXT, kFormatLimit, 0);
  for (const wchar_t* preset : kDatePresets) ComboAddItem(dateFormatBox_, preset);
  ::SendMessageW(dateTimeFormatBox_, CB_LIMITTEXT, kFormatLimit, 0);
  for (const wchar_t* preset : kDateTimePresets) ComboAddItem(dateTimeFormatBox_, preset);
  for (const auto& connection : kConnections) ComboAddItem(connection_, connection.text, connection.value);
  // A screen reader names each box by the label before it.
  for (HWND box : {dateFormatBox_, dateTimeFormatBox_, connection_}) AccessibleNames().SetFromLabel(box);
}

void COptionTabPage::InitializeFromSettings() {
  dateFormat_ = settings_.dateFormat;
  dateTimeFormat_ = settings_.dateTimeFormat;
  DdxText(Hwnd(), IDC_DATE_FORMAT, dateFormat_, false);
  DdxText(Hwnd(), IDC_DATE_TIME_FORMAT, dateTimeFormat_, false);
  // A value outside the list (a hand-edited file) leaves the list without a selection.
  ComboSelectByData(connection_, settings_.dateTimeConnection);
  Preview(dateFormat_, datePreview_, dateValid_);
  Preview(dateTimeFormat_, dateTimePreview_, dateTimeValid_);
}

void COptionTabPage::Preview(const std::wstring& format, HWND preview, bool& valid) {
  // The same routine the commands stamp names with, so what passes here works there.
  CDateStamp stamp = MakeDateStamp(format, referenceTime_);
  valid = stamp.Usable();
  const wchar_t* refusal = stamp.error == StampError::UnusableCharacter ? L"書式エラー（使用不可文字）" : L"書式エラー";
  ::SetWindowTextW(preview, valid ? stamp.text : refusal);
}

bool COptionTabPage::GatherAndValidate() {
  if (DdxText(Hwnd(), IDC_DATE_FORMAT, dateFormat_, true)) DdxText(Hwnd(), IDC_DATE_TIME_FORMAT, dateTimeFormat_, true);
  struct {
    bool valid;
    HWND box;
    const wchar_t* message;
  } const checks[] = {{dateValid_, dateFormatBox_, L"日付書式が無効です。"},
                      {dateTimeValid_, dateTimeFormatBox_, L"日時書式が無効です。"}};
  for (const auto& check : checks) {
    if (check.valid) continue;
    ShowErrorBox(Hwnd(), check.message);
    ::SetFocus(check.box);
    ::SendMessageW(check.box, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    return false;
  }
  ::lstrcpynW(settings_.dateFormat, dateFormat_.c_str(), ARRAYSIZE(settings_.dateFormat));
  ::lstrcpynW(settings_.dateTimeFormat, dateTimeFormat_.c_str(), ARRAYSIZE(settings_.dateTimeFormat));
  // Only the three listed connectors may be stored; no selection keeps the default.
  settings_.dateTimeConnection = static_cast<std::int32_t>(ComboSelectedData(connection_).value_or(0));
  return true;
}

void COptionTabPage::OnFormatCommand(int id, int code) {
  bool isDate = id == IDC_DATE_FORMAT;
  HWND box = isDate ? dateFormatBox_ : dateTimeFormatBox_;
  std::wstring& format = isDate ? dateFormat_ : dateTimeFormat_;
  HWND preview = isDate ? datePreview_ : dateTimePreview_;
  bool& valid = isDate ? dateValid_ : dateTimeValid_;
  if (code == CBN_SELCHANGE) {
    // The list entry's text; the edit field takes it only after this notification.
    auto selected = static_cast<int>(::SendMessageW(box, CB_GETCURSEL, 0, 0));
    if (selected >= 0) Preview(ComboItemText(box, selected), preview, valid);
  } else if (code == CBN_EDITCHANGE) {
    DdxText(Hwnd(), id, format, true);
    Preview(format, preview, valid);
  }
}

INT_PTR COptionTabPage::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitPage();
      return FALSE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDC_DATE_FORMAT || id == IDC_DATE_TIME_FORMAT) {
        OnFormatCommand(id, HIWORD(wParam));
        return TRUE;
      }
      break;
    }
    default:
      break;
  }
  return FALSE;
}
