#pragma once
// The second tab, オプション: the date and date-and-time formats with their previews, and the
// character joining a file name and its date.
#include <string>

#include "config_app.h"
#include "data_exchange.h"
#include "date_format.h"
#include "dialog_impl.h"
#include "settings.h"

class COptionTabPage : public CDialogImpl, public CWinDataExchange {
public:
  // Reads the clock: every preview shows this one moment.
  COptionTabPage(CConfigApp& app, CSettings& settings);

  void InitializeFromSettings();
  // Takes the formats and the connection into the record; false, with the message shown and the
  // focus on the offending box, while either format is unusable.
  bool GatherAndValidate();

protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void OnInitPage();
  void Preview(const std::wstring& format, HWND preview, bool& valid);
  void OnFormatCommand(int id, int code);

  CConfigApp& app_;
  CSettings& settings_;
  std::wstring dateFormat_;
  std::wstring dateTimeFormat_;
  HWND connection_ = nullptr;
  HWND dateFormatBox_ = nullptr;
  HWND datePreview_ = nullptr;
  HWND dateTimeFormatBox_ = nullptr;
  HWND dateTimePreview_ = nullptr;
  CStampTime referenceTime_;
  bool dateValid_ = false;
  bool dateTimeValid_ = false;
};
