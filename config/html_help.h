#pragma once
// HtmlHelpW, reached at run time: the HTML Help control library that the registry names, or the
// one in the system folder. Never looked up twice; when it cannot be had, help does nothing.
#include <windows.h>

#include <string>

#include "handles.h"

class CHtmlHelp {
public:
  // HtmlHelpW's own result; null, showing nothing, when there is no HtmlHelpW.
  HWND Call(HWND caller, const std::wstring& file, UINT command, DWORD_PTR data);

private:
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  enum class State { NotLoaded, Loaded, Failed };

  void Load();

  State state_ = State::NotLoaded;
  CModule module_;
  HtmlHelpFunction function_ = nullptr;
};

// The control library's full path from HKEY_CLASSES_ROOT, expanded; empty when there is none that
// fits 260 characters or when it is not a full path.
std::wstring RegisteredHtmlHelpLibrary();
