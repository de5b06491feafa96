// The オプション page of the real program: presets, previews against the moment the program
// started, what OK refuses and in which order, and what it stores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_program.h"
#include "date_stamp.h"
#include "errors.h"
#include "events.h"
#include "resource.h"
#include "test_support.h"
#include "text.h"

namespace {

const std::wstring kFormatError = L"書式エラー";
const std::wstring kUnusable = L"書式エラー（使用不可文字）";

CStampTime Now() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return StampTimeOf(now);
}

class OptionPageTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_FALSE(NamedEventExists(kConfigRunningEventName)); }

  // Starts the program with these settings lines, waits for its dialog and, unless told otherwise,
  // brings this page forward.
  void Open(const std::string& settings = "", bool showPage = true) {
    install_.WriteSettings(settings);
    before_ = Now();
    program_.emplace(install_.Start());
    window_.emplace(*program_);
    ASSERT_NE(window_->Hwnd(), nullptr);
    after_ = Now();
    if (showPage) {
      ASSERT_TRUE(window_->ShowTab(1));
    }
  }

  HWND Control(int id) const { return window_->Control(id); }
  std::wstring Preview(int id) const { return ControlText(Control(id)); }
  HWND EditOf(int comboId) const { return ::FindWindowExW(Control(comboId), nullptr, L"Edit", nullptr); }

  // What a format previews as at the program's reference time, which lies between these two.
  std::vector<std::string> Expected(const std::wstring& format) const {
    return {U8(MakeDateStamp(format, before_).text), U8(MakeDateStamp(format, after_).text)};
  }

  void Type(int id, const std::wstring& text) const { TypeText(Control(id), text); }

  // OK with both extensions off ends with the all-disabled message.
  void OkAndFinish() {
    Click(Control(IDOK));
    ASSERT_NO_FATAL_FAILURE(ExpectBox(*program_, window_->Hwnd(), kAllDisabledMessage));
    ASSERT_TRUE(EndsWithZero(*program_));
  }

  void Cancel() {
    Click(Control(IDCANCEL));
    ASSERT_TRUE(EndsWithZero(*program_));
  }

  CWithoutWindowManager unmanaged_;
  CTempDir folder_{L"options"};
  CConfigInstall install_{folder_.Path()};
  CResidencyGuard guard_{folder_.Path()};
  std::optional<CTestProcess> program_;
  std::optional<CConfigWindow> window_;
  CStampTime before_;
  CStampTime after_;
};

::testing::AssertionResult IsOneOf(const std::string& shown, const std::vector<std::string>& choices) {
  for (const std::string& c : choices)
    if (shown == c) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "shows " << shown << ", expected " << choices.front();
}

TEST_F(OptionPageTest, PresetsLimitsAndPreviewsOfTheLoadedFormats) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const std::vector<std::string> dates = {"%Y%m%d", "%Y-%m-%d", "[%Y-%m-%d]", "%Y.%m.%d", "[%Y.%m.%d]", "%Y年%m月%d日"};
  const std::vector<std::string> times = {"%Y%m%d_%H%M%S",       "%Y-%m-%d_%H-%M-%S", "[%Y-%m-%d_%H-%M-%S]",
                                          "%Y.%m.%d_%H.%M.%S",   "[%Y.%m.%d_%H.%M.%S]",
                                          "%Y年%m月%d日_%H時%M分%S秒"};
  const std::vector<std::string> connections = {"アンダーバー", "ハイフン", "スペース"};
  auto items = [&](int id) {
    std::vector<std::string> out;
    for (int i = 0; i < ComboCount(Control(id)); ++i) out.push_back(U8(ComboItem(Control(id), i)));
    return out;
  };
  EXPECT_EQ(items(IDC_DATE_FORMAT), dates);
  EXPECT_EQ(items(IDC_DATE_TIME_FORMAT), times);
  EXPECT_EQ(items(IDC_CONNECTION), connections);
  for (int id : {IDC_DATE_FORMAT, IDC_DATE_TIME_FORMAT})
    EXPECT_EQ(::SendMessageW(EditOf(id), EM_GETLIMITTEXT, 0, 0), 30) << "the record holds 30 characters";

  EXPECT_EQ(U8(ControlText(Control(IDC_DATE_FORMAT))), "%Y%m%d");
  EXPECT_EQ(U8(ControlText(Control(IDC_DATE_TIME_FORMAT))), "%Y%m%d_%H%M%S");
  EXPECT_EQ(ComboSelection(Control(IDC_CONNECTION)), 0);
  EXPECT_TRUE(IsOneOf(U8(Preview(IDC_DATE_PREVIEW)), Expected(L"%Y%m%d")));
  EXPECT_TRUE(IsOneOf(U8(Preview(IDC_DATE_TIME_PREVIEW)), Expected(L"%Y%m%d_%H%M%S")));

  // A list entry previews as it is chosen.
  ChooseComboItem(Control(IDC_DATE_FORMAT), 5);
  EXPECT_TRUE(IsOneOf(U8(Preview(IDC_DATE_PREVIEW)), Expected(L"%Y年%m月%d日")));
  ChooseComboItem(Control(IDC_DATE_TIME_FORMAT), 2);
  EXPECT_TRUE(IsOneOf(U8(Preview(IDC_DATE_TIME_PREVIEW)), Expected(L"[%Y-%m-%d_%H-%M-%S]")));

  // Typed key by key, a box takes 30 characters and no more, however wide they are.
  HWND edit = EditOf(IDC_DATE_TIME_FORMAT);
  ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  for (int i = 0; i < 35; ++i) ::SendMessageW(edit, WM_CHAR, i % 2 ? L'W' : L'年', 1);
  EXPECT_EQ(ControlText(Control(IDC_DATE_TIME_FORMAT)).size(), 30u);
  EXPECT_EQ(U8(Preview(IDC_DATE_TIME_PREVIEW)), U8(ControlText(Control(IDC_DATE_TIME_FORMAT))))
      << "each key previews";

  // The moment is the program's start, however long the dialog stays open.
  Type(IDC_DATE_FORMAT, L"%H%M%S");
  std::wstring first = Preview(IDC_DATE_PREVIEW);
  ::Sleep(1100);
  Type(IDC_DATE_FORMAT, L"%S");
  Type(IDC_DATE_FORMAT, L"%H%M%S");
  EXPECT_EQ(U8(Preview(IDC_DATE_PREVIEW)), U8(first));
  ASSERT_NO_FATAL_FAILURE(Cancel());
}

TEST_F(OptionPageTest, TypedFormatsPreviewAsTheCommandsWouldStampThem) {
  ASSERT_NO_FATAL_FAILURE(Open());
  struct {
    const wchar_t* format;
    const wchar_t* preview;  // null: the stamp itself
  } const cases[] = {
      {L"", kFormatError.c_str()},
      {L"%Y/%m/%d", kUnusable.c_str()},
      {L"%X", kUnusable.c_str()},  // hours, minutes and seconds joined by colons
      {L"%Q", kFormatError.c_str()},
      {L"%Y\u00e9", kUnusable.c_str()},         // no such character in code page 932
      {L"%Y年表ソ能", nullptr},                 // their second bytes are backslashes in code page 932
      {L"[%Y.%m.%d]", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.format));
    Type(IDC_DATE_FORMAT, c.format);
    if (c.preview)
      EXPECT_EQ(U8(Preview(IDC_DATE_PREVIEW)), U8(c.preview));
    else
      EXPECT_TRUE(IsOneOf(U8(Preview(IDC_DATE_PREVIEW)), Expected(c.format)));
  }
  // The other box previews on its own.
  Type(IDC_DATE_TIME_FORMAT, L"%H:%M");
  EXPECT_EQ(U8(Preview(IDC_DATE_TIME_PREVIEW)), U8(kUnusable));
  EXPECT_TRUE(IsOneOf(U8(Preview(IDC_DATE_PREVIEW)), Expected(L"[%Y.%m.%d]")));
  ASSERT_NO_FATAL_FAILURE(Cancel());
}

TEST_F(OptionPageTest, OkRefusesTheDateFormatFirstThenTheOtherOnTheirOwnTab) {
  ASSERT_NO_FATAL_FAILURE(Open("DateFormat=%Y/%m\r\nDateTimeFormat=%Q\r\n", false));
  const std::string saved = install_.ReadSettings();
  EXPECT_EQ(window_->SelectedTab(), 0) << "the basic tab shows";

  Click(Control(IDOK));
  ASSERT_NO_FATAL_FAILURE(ExpectBox(*program_, window_->Hwnd(), L"日付書式が無効です。"));
  EXPECT_EQ(window_->SelectedTab(), 1);
  EXPECT_TRUE(::IsWindowVisible(window_->OptionPage()));
  EXPECT_FALSE(::IsWindowVisible(window_->BasicPage()));
  EXPECT_EQ(U8(Preview(IDC_DATE_PREVIEW)), U8(kUnusable));
  EXPECT_EQ(U8(Preview(IDC_DATE_TIME_PREVIEW)), U8(kFormatError));
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(window_->Hwnd()) == EditOf(IDC_DATE_FORMAT); }, kUiWaitMs));
  EXPECT_EQ(install_.ReadSettings(), saved);

  Type(IDC_DATE_FORMAT, L"%Y");
  Click(Control(IDOK));
  ASSERT_NO_FATAL_FAILURE(ExpectBox(*program_, window_->Hwnd(), L"日時書式が無効です。"));
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(window_->Hwnd()) == EditOf(IDC_DATE_TIME_FORMAT); }, kUiWaitMs));
  EXPECT_EQ(install_.ReadSettings(), saved);

  Type(IDC_DATE_TIME_FORMAT, L"%Y年%m月%d日_%H時");
  ASSERT_NO_FATAL_FAILURE(OkAndFinish());
  EXPECT_EQ(install_.SettingsValue("DateFormat"), "%Y");
  EXPECT_EQ(install_.SettingsValue("DateTimeFormat"), "%Y年%m月%d日_%H時");
}

TEST_F(OptionPageTest, ConnectionOpensOnTheStoredValueAndStoresTheChosenOne) {
  ASSERT_NO_FATAL_FAILURE(Open("DateTimeConnectionString=1\r\n"));
  EXPECT_EQ(ComboSelection(Control(IDC_CONNECTION)), 1);
  EXPECT_EQ(U8(ControlText(Control(IDC_CONNECTION))), "ハイフン");
  ChooseComboItem(Control(IDC_CONNECTION), 2);
  ASSERT_NO_FATAL_FAILURE(OkAndFinish());
  EXPECT_EQ(install_.SettingsValue("DateTimeConnectionString"), "2");

  // A value of a hand-edited file: no selection, and OK stores one the extensions know.
  ASSERT_NO_FATAL_FAILURE(Open("DateTimeConnectionString=7\r\n"));
  EXPECT_EQ(ComboSelection(Control(IDC_CONNECTION)), -1);
  ASSERT_NO_FATAL_FAILURE(OkAndFinish());
  EXPECT_EQ(install_.SettingsValue("DateTimeConnectionString"), "0");
}

}  // namespace
