#pragma once
// Explorer's rename box as a test plays it: an Edit inside a window of an item view's class, in a
// top-level window of this process, read back as marked text (marked_text.h).
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Waits while this thread's windows get their messages: a keyboard hook runs when a key is taken
// from the queue. False when the condition still fails after `timeoutMs`.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

class CBoxWindow {
public:
  enum class Place { ItemView, InsidePaneOfItemView, Alone };

  // One box per place and style, made on first use and kept until the process ends: under Wine
  // without a window manager, destroying a window that was active waits two seconds.
  static const CBoxWindow& Get(Place place, DWORD editStyle = ES_AUTOHSCROLL);
  CBoxWindow(const CBoxWindow&) = delete;
  CBoxWindow& operator=(const CBoxWindow&) = delete;

  bool Created() const { return frame_ && edit_; }
  HWND Edit() const { return edit_; }

  // Brings the box to the front with the keyboard focus, as a user clicking into it does.
  ::testing::AssertionResult Activate() const;
  // Text and selection from marked text; nothing to undo yet.
  void Set(std::wstring_view marked) const;
  std::string State() const;
  // The box shows one of `expected` within the time-out.
  ::testing::AssertionResult Shows(const std::vector<std::wstring>& expected) const;
  ::testing::AssertionResult Shows(const std::wstring& expected) const;

private:
  CBoxWindow(Place place, DWORD editStyle);
  HWND frame_ = nullptr;
  HWND edit_ = nullptr;
};
