#pragma once
// Programs and message boxes as a user sees them: start a deliverable, wait for it, find the boxes
// it shows by their caption, read and close them.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "handles.h"

// A program started by a test. One that is still running when the object goes is ended by force,
// so that a failed test leaves nothing behind that holds the prefix's named objects.
class CTestProcess {
public:
  // Command line "\"exe\"" followed by `arguments` exactly as given (a blank in between when there
  // are any); the folder of `exe` is the working folder.
  CTestProcess(const std::wstring& exe, const std::wstring& arguments);
  // Like the above with the whole command line given.
  static CTestProcess WithCommandLine(const std::wstring& exe, const std::wstring& commandLine);
  // Like the first, with "NAME=value" variables added after this process's environment.
  static CTestProcess WithEnvironment(const std::wstring& exe, const std::wstring& arguments,
                                      const std::vector<std::wstring>& variables);
  CTestProcess(CTestProcess&&) = default;
  ~CTestProcess();

  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_.Get(); }
  // The exit code, or nothing when the program still runs after `timeoutMs`.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;
  void Kill();

private:
  CTestProcess() = default;
  void Start(const std::wstring& exe, std::wstring commandLine, const std::vector<std::wstring>& variables = {});
  CHandle process_;
  DWORD id_ = 0;
};

// Repeats `condition` until it holds or `timeoutMs` has passed; the last answer.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Visible, ownerless or owned, top-level message boxes of `processId` with the caption `caption`.
std::vector<HWND> FindMessageBoxes(DWORD processId, const std::wstring& caption);
// The first such box to appear within `timeoutMs`, or null.
HWND WaitForMessageBox(DWORD processId, const std::wstring& caption, DWORD timeoutMs);
// Waits until `count` such boxes are shown at once; empty when they do not appear in time.
std::vector<HWND> WaitForMessageBoxes(DWORD processId, const std::wstring& caption, std::size_t count,
                                      DWORD timeoutMs);

// The message of a box (the text of its static text control).
std::wstring MessageBoxText(HWND box);
// The identifiers of the box's buttons, in child order.
std::vector<int> MessageBoxButtons(HWND box);
// Presses OK, as the user does.
void CloseMessageBox(HWND box);
// Whether the box shows the system's error icon.
bool HasErrorIcon(HWND box);

// Message boxes this process shows block the thread that shows them: a catcher answers them from a
// thread of its own, pressing OK on each box with `caption` and noting what it said.
struct CCaughtBox {
  std::wstring text;
  HWND owner;
  bool errorIcon;
};
class CMessageBoxCatcher {
public:
  explicit CMessageBoxCatcher(std::wstring caption);
  CMessageBoxCatcher(const CMessageBoxCatcher&) = delete;
  CMessageBoxCatcher& operator=(const CMessageBoxCatcher&) = delete;
  ~CMessageBoxCatcher();
  // Stops watching and tells every box caught so far.
  std::vector<CCaughtBox> Finish();

private:
  std::wstring caption_;
  std::vector<CCaughtBox> caught_;
  volatile LONG stop_ = 0;
  CHandle thread_;
};
// Presses the button `id` of a box (IDYES, IDNO, ...).
void AnswerMessageBox(HWND box, int id);

// Controls of another process's dialogs, driven as a user drives them.
// The text a control answers with (WM_GETTEXT, which a control of another process serves itself).
std::wstring ControlText(HWND control);
// The first control with this identifier anywhere below `root` (pages of a tab dialog included).
HWND FindControl(HWND root, int id);
// A click: posted, so that a message box the click opens does not block the test.
void Click(HWND button);
bool IsChecked(HWND button);
// Picks a list entry of a combo box and tells its parent, as the combo does for a user's choice.
void ChooseComboItem(HWND combo, int index);
int ComboSelection(HWND combo);
int ComboCount(HWND combo);
std::wstring ComboItem(HWND combo, int index);
// Types into an edit field, or into the edit field of a combo box: the edit tells its parent.
void TypeText(HWND editOrCombo, const std::wstring& text);
// The window with the keyboard focus in the thread that owns `window`.
HWND FocusOf(HWND window);
// Class, identifier and text of a window, for the message of a failed test.
std::string Describe(HWND window);

// Keys and clicks as a user makes them (SendInput), for whatever window is in front.
// `key` pressed and released while the `held` keys are down.
void TypeKey(WORD key, const std::vector<WORD>& held = {});
// The left mouse button pressed and released over the middle of `window`.
void MouseClick(HWND window);

// A window of this thread with the keyboard focus, as Explorer's is when a command runs.
class CFocusWindow {
public:
  CFocusWindow()
      : window_(::CreateWindowExW(0, L"STATIC", L"Explorer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                  nullptr, nullptr, nullptr, nullptr)) {
    ::SetForegroundWindow(window_);
    ::SetFocus(window_);
  }
  CFocusWindow(const CFocusWindow&) = delete;
  CFocusWindow& operator=(const CFocusWindow&) = delete;
  ~CFocusWindow() { ::DestroyWindow(window_); }
  HWND Get() const { return window_; }

private:
  HWND window_;
};
