#pragma once
// ファイル名変更機能拡張の詳細設定: the order in which F2 selects the parts of a name and which
// parts take part (a check list reordered with two buttons), and the eight switches of the rename
// keys, three of which depend on another. Changes reach the record only on OK.
#include <windows.h>

#include <array>

#include "check_list_view.h"
#include "config_app.h"
#include "data_exchange.h"
#include "dialog_impl.h"
#include "name_parts_model.h"
#include "settings.h"

class CRenameExtConfigDlg : public CDialogImpl, public CWinDataExchange {
public:
  // Both are borrowed; the record is edited in place on OK.
  CRenameExtConfigDlg(CConfigApp& app, CSettings& settings);

  static constexpr std::size_t kSwitchCount = 8;

protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  BOOL OnInitDialog();
  void OnOK();
  void OnMove(bool up);
  void FillParts();
  // The marks as the user has left them, into the model, before anything reorders the lines.
  void ReadMarks();
  void UpdateControls();

  CConfigApp& app_;
  CSettings& settings_;
  CNamePartsModel model_;
  CCheckListViewCtrl parts_;
  std::array<bool, kSwitchCount> switches_{};  // in the order of the check boxes
  HWND up_ = nullptr;
  HWND down_ = nullptr;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  HWND help_ = nullptr;
  std::array<HWND, kSwitchCount> switchBoxes_{};
  bool filling_ = false;
};
