#pragma once
// What a screen reader is told about a dialog's controls where their own text does not say enough
// (two rows that each have a "有効" button), through the system's dynamic annotation: the visible
// texts stay as they are.
#include <windows.h>

#include <string>
#include <vector>

struct IAccPropServices;

class CAccessibleNames {
public:
  CAccessibleNames() = default;
  CAccessibleNames(const CAccessibleNames&) = delete;
  CAccessibleNames& operator=(const CAccessibleNames&) = delete;
  ~CAccessibleNames();

  // The name a screen reader reads for the control (for a combo box, for its edit field too); the
  // annotation's result.
  HRESULT Set(HWND control, const std::wstring& name);
  // Names the control by the label a user reads before it (LabelBefore); E_FAIL when it has none.
  HRESULT SetFromLabel(HWND control);
  // Takes back every name, while the windows still exist.
  void Clear();

private:
  HRESULT SetOne(HWND window, const std::wstring& name);

  IAccPropServices* services_ = nullptr;
  std::vector<HWND> named_;
};
