#pragma once
// A static text control turned into a link: underlined in the link colour (the user's own colours
// when set), the hand cursor over the text, a tooltip with the target, reachable with Tab and
// opened by a click, Enter or Space. Opening goes through the shell; a link once opened counts as
// visited and changes colour. A screen reader reads it as a link to its target, which its default
// action opens.
#include <windows.h>

#include <string>

class CLinkAccessible;

class CHyperLink {
public:
  CHyperLink() = default;
  CHyperLink(const CHyperLink&) = delete;
  CHyperLink& operator=(const CHyperLink&) = delete;
  ~CHyperLink();

  // Takes over the static and its font; the visible text stays the static's own.
  bool SubclassWindow(HWND control);
  void SetHyperLink(const std::wstring& target);
  const std::wstring& GetHyperLink() const { return target_; }
  // Opens the target with the shell's "open" verb; true (and visited) when the shell did.
  bool Navigate();

  HWND Hwnd() const { return hwnd_; }
  HWND ToolTip() const { return tooltip_; }
  bool IsVisited() const { return visited_; }
  COLORREF LinkColor() const { return linkColor_; }
  COLORREF VisitedColor() const { return visitedColor_; }

private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Detach();
  void MakeFont(HFONT base);
  RECT TextRect(HDC dc) const;
  bool IsOverText(POINT client) const;
  void Paint(HDC dc);

  LRESULT AccessibleObject(WPARAM flags);

  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  CLinkAccessible* accessible_ = nullptr;  // one reference, made when a reader first asks
  HFONT font_ = nullptr;  // the static's font, underlined; ours to delete
  std::wstring target_;
  bool visited_ = false;
  bool pressed_ = false;
  COLORREF linkColor_ = RGB(0, 0, 255);
  COLORREF visitedColor_ = RGB(128, 0, 128);
};

// "r,g,b" as the user's link colour settings hold it; false when the text is anything else.
bool ParseColorTriple(const std::wstring& text, COLORREF& color);
