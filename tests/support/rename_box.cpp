#include "rename_box.h"

#include <map>
#include <utility>

#include "marked_text.h"

namespace {

constexpr DWORD kWaitMs = 15000;

void RegisterPlainClass(const wchar_t* name) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = name;
  ::RegisterClassW(&wc);
}

}  // namespace

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (condition()) return true;
    if (::GetTickCount64() >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

CBoxWindow::CBoxWindow(Place place, DWORD editStyle) {
  RegisterPlainClass(L"TavrinoTestFrame");
  RegisterPlainClass(L"DirectUIHWND");
  RegisterPlainClass(L"TavrinoTestPane");
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  frame_ = ::CreateWindowExW(0, L"TavrinoTestFrame", L"rename box", WS_POPUP | WS_BORDER | WS_VISIBLE, 40, 40, 420, 160,
                             nullptr, nullptr, instance, nullptr);
  HWND parent = frame_;
  if (place != Place::Alone)
    parent = ::CreateWindowExW(0, L"DirectUIHWND", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 120, parent, nullptr,
                               instance, nullptr);
  if (place == Place::InsidePaneOfItemView)
    parent = ::CreateWindowExW(0, L"TavrinoTestPane", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 120, parent, nullptr,
                               instance, nullptr);
  edit_ = ::CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | editStyle, 10, 10, 360, 48, parent,
                            nullptr, instance, nullptr);
}

const CBoxWindow& CBoxWindow::Get(Place place, DWORD editStyle) {
  static std::map<std::pair<Place, DWORD>, CBoxWindow*> boxes;
  CBoxWindow*& box = boxes[{place, editStyle}];
  if (!box) box = new CBoxWindow(place, editStyle);
  return *box;
}

::testing::AssertionResult CBoxWindow::Activate() const {
  ::SetForegroundWindow(frame_);
  ::SetFocus(edit_);
  if (PumpUntil([&] { return ::GetForegroundWindow() == frame_ && ::GetFocus() == edit_; }, kWaitMs))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the box did not get the focus";
}

void CBoxWindow::Set(std::wstring_view marked) const {
  CMarkedText box = ParseMarked(marked);
  ::SetWindowTextW(edit_, box.text.c_str());
  ::SendMessageW(edit_, EM_SETSEL, box.start, box.end);
  ::SendMessageW(edit_, EM_EMPTYUNDOBUFFER, 0, 0);
}

std::string CBoxWindow::State() const {
  CMarkedText box;
  int length = ::GetWindowTextLengthW(edit_);
  box.text.resize(length + 1);
  box.text.resize(::GetWindowTextW(edit_, box.text.data(), length + 1));
  DWORD start = 0, end = 0;
  ::SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  box.start = start;
  box.end = end;
  return ShowMarked(box);
}

::testing::AssertionResult CBoxWindow::Shows(const std::vector<std::wstring>& expected) const {
  std::vector<std::string> wanted;
  for (const std::wstring& e : expected) wanted.push_back(ShowMarked(ParseMarked(e)));
  auto matches = [&] {
    std::string now = State();
    for (const std::string& w : wanted)
      if (now == w) return true;
    return false;
  };
  if (PumpUntil(matches, kWaitMs)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the box shows " << State() << ", expected " << wanted.front();
}

::testing::AssertionResult CBoxWindow::Shows(const std::wstring& expected) const {
  return Shows(std::vector<std::wstring>{expected});
}
