#pragma once
// The first tab, 基本設定: the two extensions on or off, their detail buttons, and the about
// block with version, residency status and the maker's link.
#include <string>
#include <string_view>

#include "config_app.h"
#include "data_exchange.h"
#include "dialog_impl.h"
#include "handles.h"
#include "hyperlink.h"
#include "settings.h"

class CBasicTabPage : public CDialogImpl, public CWinDataExchange {
public:
  CBasicTabPage(CConfigApp& app, CSettings& settings);

  // Once, right after the page window exists.
  void Initialize(bool wasResident);
  // Takes the radio choices into the record; it cannot refuse.
  bool Gather();

protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void OnInitPage();

  CConfigApp& app_;
  CSettings& settings_;
  int renameExtChoice_ = -1;    // 0 有効, 1 無効, -1 none checked
  int contextMenuChoice_ = -1;  // the same
  HWND renameExtDetail_ = nullptr;
  HWND contextMenuDetail_ = nullptr;
  HWND version_ = nullptr;
  HWND status_ = nullptr;
  CHyperLink link_;
  CIcon icon_;  // the product icon at the page's DPI, shown by the about block
};

// "Ver.2.1.2 (x64)"; a release suffix stands after the numbers, one blank apart.
std::wstring VersionLabel(int major, int minor, int build, std::wstring_view suffix);

// The maker's web address, the link's target.
constexpr const wchar_t* kMakerWebAddress = L"https://tavrino.example.jp/";
