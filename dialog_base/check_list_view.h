#pragma once
// A report-view list whose lines carry check boxes, selected over the whole row. The dialog's
// template makes the list view; this takes it over and speaks to it by line.
#include <windows.h>

#include <string>

class CCheckListViewCtrl {
public:
  // Adds check boxes and full-row selection to the list view's extended styles.
  bool Attach(HWND listView);
  HWND Hwnd() const { return hwnd_; }

  // One left-aligned column with an empty title, `widthAt96` pixels wide at 96 DPI and as wide at
  // the view's DPI; any columns before go.
  void SetSingleColumn(int widthAt96);
  // Widens the column where its lines need more room than it has.
  void WidenColumnToLines();

  // Appends a line; its position, or -1.
  int AddItem(const std::wstring& text, bool checked);
  void DeleteAllItems();
  int GetItemCount() const;
  std::wstring GetItemText(int line) const;
  bool GetCheckState(int line) const;
  void SetCheckState(int line, bool checked);
  // The selected line, or -1.
  int GetSelectedIndex() const;
  // Selects the line, gives it the focus mark and scrolls it into view.
  void SelectItem(int line);

private:
  HWND hwnd_ = nullptr;
};
