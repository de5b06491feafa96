#pragma once
// 右クリックメニュー拡張の詳細設定: which commands the submenu shows and in which order, with
// separators between them, and whether a date the commands insert is joined to the name. Two
// lists side by side, the active commands on the left in menu order (reordered with buttons or by
// dragging) and the ones left to add on the right. Changes reach the record only on OK.
#include <windows.h>

#include "config_app.h"
#include "data_exchange.h"
#include "dialog_impl.h"
#include "drag_list.h"
#include "menu_items_model.h"
#include "settings.h"

class CContextMenuExtConfigDlg : public CDialogImpl, public CWinDataExchange, public CDragListNotifyImpl {
public:
  // Both are borrowed; the record is edited in place on OK.
  CContextMenuExtConfigDlg(CConfigApp& app, CSettings& settings);

protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnBeginDrag(int controlId, HWND list, POINT cursor) override;
  int OnDragging(int controlId, HWND list, POINT cursor) override;
  void OnDropped(int controlId, HWND list, POINT cursor) override;
  void OnCancelDrag(int controlId, HWND list, POINT cursor) override;

private:
  BOOL OnInitDialog();
  void OnOK();
  void OnAdd();
  void OnRemove();
  void OnMove(bool up);
  void OnReset();
  void OnListCommand(HWND list, int code);
  // Both boxes from the model, neither with a selection afterwards.
  void Refill();
  // Selects a line and gives its box the focus, as the dialog manager does.
  void FocusLine(HWND list, int line);
  void UpdateButtons();

  CConfigApp& app_;
  CSettings& settings_;
  CMenuItemsModel model_;
  bool addConnection_ = true;
  HWND active_ = nullptr;
  HWND inactive_ = nullptr;
  HWND add_ = nullptr;
  HWND remove_ = nullptr;
  HWND up_ = nullptr;
  HWND down_ = nullptr;
  HWND reset_ = nullptr;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  HWND help_ = nullptr;
  HCURSOR moveCursor_ = nullptr;
  HCURSOR noDropCursor_ = nullptr;
};
