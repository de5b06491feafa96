#include "windows_probe.h"

#include <cwchar>
#include <stdexcept>

#include "errors.h"
#include "text.h"

CTestProcess::CTestProcess(const std::wstring& exe, const std::wstring& arguments) {
  Start(exe, L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments));
}

CTestProcess CTestProcess::WithCommandLine(const std::wstring& exe, const std::wstring& commandLine) {
  CTestProcess process;
  process.Start(exe, commandLine);
  return process;
}

CTestProcess CTestProcess::WithEnvironment(const std::wstring& exe, const std::wstring& arguments,
                                           const std::vector<std::wstring>& variables) {
  CTestProcess process;
  process.Start(exe, L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments), variables);
  return process;
}

namespace {

// This process's environment with `variables` added after it, a block for CreateProcessW. An
// added variable comes last: Wine's new process takes the last of two (WINEUSERNAME, which it
// puts into every block, is read so).
std::wstring EnvironmentWith(const std::vector<std::wstring>& variables) {
  std::wstring out;
  wchar_t* block = ::GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += std::wcslen(p) + 1) out.append(p).push_back(L'\0');
  ::FreeEnvironmentStringsW(block);
  for (const std::wstring& variable : variables) out.append(variable).push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

}  // namespace

void CTestProcess::Start(const std::wstring& exe, std::wstring commandLine, const std::vector<std::wstring>& variables) {
  std::wstring folder = FolderPart(exe);
  std::wstring environment = variables.empty() ? std::wstring() : EnvironmentWith(variables);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  for (int attempt = 1;; ++attempt) {
    if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                         variables.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT,
                         variables.empty() ? nullptr : environment.data(), folder.c_str(), &startup, &info))
      break;
    DWORD error = ::GetLastError();
    // Wine's process start now and then fails with an internal error before the program has run a
    // single instruction (seen on a loaded machine); that says nothing about the program.
    if (error != ERROR_INTERNAL_ERROR || attempt == 3)
      throw std::runtime_error("cannot start " + ToUtf8(exe) + ": " + ToUtf8(SystemMessage(error)));
    ::Sleep(200);
  }
  ::CloseHandle(info.hThread);
  process_.Reset(info.hProcess);
  id_ = info.dwProcessId;
}

CTestProcess::~CTestProcess() { Kill(); }

std::optional<DWORD> CTestProcess::WaitForExit(DWORD timeoutMs) const {
  if (::WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

void CTestProcess::Kill() {
  if (!process_ || ::WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0) return;
  ::TerminateProcess(process_.Get(), 1);
  ::WaitForSingleObject(process_.Get(), 10000);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= deadline) return condition();
    ::Sleep(25);
  }
}

namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, ARRAYSIZE(name));
  return name;
}

std::wstring TextOf(HWND window) {
  int length = ::GetWindowTextLengthW(window);
  std::wstring text(length + 1, L'\0');
  text.resize(::GetWindowTextW(window, text.data(), length + 1));
  return text;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

}  // namespace

std::vector<HWND> FindMessageBoxes(DWORD processId, const std::wstring& caption) {
  struct CSearch {
    DWORD processId;
    const std::wstring* caption;
    std::vector<HWND> found;
  } search{processId, &caption, {}};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<CSearch*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s.processId && ::IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
            TextOf(window) == *s.caption)
          s.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForMessageBox(DWORD processId, const std::wstring& caption, DWORD timeoutMs) {
  std::vector<HWND> boxes = WaitForMessageBoxes(processId, caption, 1, timeoutMs);
  return boxes.empty() ? nullptr : boxes.front();
}

std::vector<HWND> WaitForMessageBoxes(DWORD processId, const std::wstring& caption, std::size_t count,
                                      DWORD timeoutMs) {
  std::vector<HWND> boxes;
  WaitUntil([&] { return (boxes = FindMessageBoxes(processId, caption)).size() >= count; }, timeoutMs);
  if (boxes.size() < count) boxes.clear();
  return boxes;
}

// A control of another process answers WM_GETTEXT itself; GetWindowTextW would not ask it.
std::wstring ControlText(HWND control) {
  wchar_t text[4096] = {};
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(control, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             5000, &copied))
    return {};
  return std::wstring(text, copied);
}

std::wstring MessageBoxText(HWND box) {
  // The message is the one static control with text; the icon's static has none.
  for (HWND child : Children(box)) {
    if (::GetParent(child) != box || ClassOf(child) != L"Static") continue;
    std::wstring text = ControlText(child);
    if (!text.empty()) return text;
  }
  return {};
}

std::vector<int> MessageBoxButtons(HWND box) {
  std::vector<int> ids;
  for (HWND child : Children(box))
    if (::GetParent(child) == box && ClassOf(child) == L"Button" && ::IsWindowVisible(child))
      ids.push_back(::GetDlgCtrlID(child));
  return ids;
}

void CloseMessageBox(HWND box) { AnswerMessageBox(box, IDOK); }

void AnswerMessageBox(HWND box, int id) { ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

HWND FindControl(HWND root, int id) {
  // The dialog's own controls, then those of its pages; never the inner parts of a control (a
  // combo box's edit field has an identifier of its own).
  if (HWND control = ::GetDlgItem(root, id)) return control;
  for (HWND child = ::GetWindow(root, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (ClassOf(child) == L"#32770")
      if (HWND control = FindControl(child, id)) return control;
  return nullptr;
}

void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

bool IsChecked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void ChooseComboItem(HWND combo, int index) {
  ::SendMessageW(combo, CB_SETCURSEL, index, 0);
  ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

int ComboSelection(HWND combo) { return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

int ComboCount(HWND combo) { return static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0)); }

std::wstring ComboItem(HWND combo, int index) {
  wchar_t text[256] = {};
  if (::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) >= static_cast<LRESULT>(ARRAYSIZE(text))) return {};
  ::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

void TypeText(HWND editOrCombo, const std::wstring& text) {
  // The text goes into the edit field (a combo box's is its child); the change is then announced
  // as typing announces it: EN_CHANGE, which a combo box passes on as CBN_EDITCHANGE.
  bool combo = ClassOf(editOrCombo) == L"ComboBox";
  HWND edit = combo ? ::FindWindowExW(editOrCombo, nullptr, L"Edit", nullptr) : editOrCombo;
  ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  ::SendMessageW(::GetParent(editOrCombo), WM_COMMAND,
                 MAKEWPARAM(::GetDlgCtrlID(editOrCombo), combo ? CBN_EDITCHANGE : EN_CHANGE),
                 reinterpret_cast<LPARAM>(editOrCombo));
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::string Describe(HWND window) {
  if (!window) return "nothing";
  return ToUtf8(ClassOf(window)) + " " + std::to_string(::GetDlgCtrlID(window)) + " \"" + ToUtf8(ControlText(window)) +
         "\"";
}

namespace {

INPUT KeyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  bool extended = key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_HOME || key == VK_LEFT ||
                  key == VK_UP || key == VK_RIGHT || key == VK_DOWN || key == VK_INSERT || key == VK_DELETE;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

}  // namespace

void TypeKey(WORD key, const std::vector<WORD>& held) {
  std::vector<INPUT> inputs;
  for (WORD h : held) inputs.push_back(KeyInput(h, false));
  inputs.push_back(KeyInput(key, false));
  inputs.push_back(KeyInput(key, true));
  for (auto h = held.rbegin(); h != held.rend(); ++h) inputs.push_back(KeyInput(*h, true));
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void MouseClick(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, inputs, sizeof(INPUT));
}

bool HasErrorIcon(HWND box) {
  HICON error = ::LoadIconW(nullptr, IDI_ERROR);
  for (HWND child : Children(box)) {
    if (ClassOf(child) == L"Static" &&
        reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0)) == error)
      return true;
  }
  return false;
}

CMessageBoxCatcher::CMessageBoxCatcher(std::wstring caption) : caption_(std::move(caption)) {
  thread_.Reset(::CreateThread(
      nullptr, 0,
      [](void* param) -> DWORD {
        auto* self = static_cast<CMessageBoxCatcher*>(param);
        while (!self->stop_) {
          for (HWND box : FindMessageBoxes(::GetCurrentProcessId(), self->caption_)) {
            self->caught_.push_back({MessageBoxText(box), ::GetWindow(box, GW_OWNER), HasErrorIcon(box)});
            CloseMessageBox(box);
            WaitUntil([box] { return !::IsWindow(box) || !::IsWindowVisible(box); }, 5000);
          }
          ::Sleep(25);
        }
        return 0;
      },
      this, 0, nullptr));
  if (!thread_) throw std::runtime_error("cannot start the message box catcher");
}

CMessageBoxCatcher::~CMessageBoxCatcher() { Finish(); }

std::vector<CCaughtBox> CMessageBoxCatcher::Finish() {
  if (thread_) {
    ::InterlockedExchange(&stop_, 1);
    ::WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
  }
  return caught_;
}
