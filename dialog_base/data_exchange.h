#pragma once
// Moves values between a dialog's members and its controls. `save` false fills the controls from
// the members; true reads the controls back into them.
#include <windows.h>

#include <string>

class CWinDataExchange {
public:
  virtual ~CWinDataExchange() = default;

protected:
  // The text of an edit field, or of the edit part of a combo box. Reading fails when less than the
  // whole text comes back; the member then holds what was read.
  bool DdxText(HWND dialog, int id, std::wstring& value, bool save);
  // A radio group runs from `firstId` up to, not including, the next control that starts a group.
  // The value is the position of the checked button, -1 when none is.
  bool DdxRadio(HWND dialog, int firstId, int& value, bool save);
  bool DdxCheck(HWND dialog, int id, bool& value, bool save);

  // A value could not be read whole: beeps and puts the focus on the control.
  virtual void OnDataExchangeError(HWND dialog, int id);
};
