#include "list_controls.h"

#include <commctrl.h>

#include <stdexcept>

CRemoteMemory::CRemoteMemory(HWND window, std::size_t size) {
  DWORD id = 0;
  ::GetWindowThreadProcessId(window, &id);
  process_.Reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id));
  if (process_) address_ = ::VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!address_) throw std::runtime_error("cannot reach the memory of the window's program");
}

CRemoteMemory::~CRemoteMemory() { ::VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE); }

void CRemoteMemory::Write(const void* data, std::size_t size, std::size_t offset) {
  SIZE_T written = 0;
  if (!::WriteProcessMemory(process_.Get(), static_cast<char*>(address_) + offset, data, size, &written) ||
      written != size)
    throw std::runtime_error("cannot write to the window's program");
}

void CRemoteMemory::Read(void* data, std::size_t size, std::size_t offset) const {
  SIZE_T read = 0;
  if (!::ReadProcessMemory(process_.Get(), static_cast<char*>(address_) + offset, data, size, &read) || read != size)
    throw std::runtime_error("cannot read from the window's program");
}

std::vector<std::wstring> ListLines(HWND list) {
  std::vector<std::wstring> lines;
  auto count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    // A list box of another process copies its text across itself.
    wchar_t text[256] = {};
    if (::SendMessageW(list, LB_GETTEXTLEN, i, 0) >= static_cast<LRESULT>(ARRAYSIZE(text))) {
      lines.emplace_back(L"(too long)");
      continue;
    }
    ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    lines.emplace_back(text);
  }
  return lines;
}

int SelectedLine(HWND list) { return static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0)); }

namespace {

POINT LineClientPoint(HWND list, int line) {
  auto height = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  auto top = static_cast<int>(::SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  return POINT{8, (line - top) * height + height / 2};
}

}  // namespace

POINT LinePoint(HWND list, int line) {
  POINT point = LineClientPoint(list, line);
  ::ClientToScreen(list, &point);
  return point;
}

void ClickLine(HWND list, int line, bool twice) {
  // Scrolled into view first, as the user would.
  RECT area{};
  ::GetClientRect(list, &area);
  auto height = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  auto top = static_cast<int>(::SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  if (height > 0 && (line < top || (line - top + 1) * height > area.bottom))
    ::SendMessageW(list, LB_SETTOPINDEX, line, 0);
  POINT client = LineClientPoint(list, line);
  POINT screen = LinePoint(list, line);
  // A drag list asks where the pointer is, not where the click message says.
  ::SetCursorPos(screen.x, screen.y);
  LPARAM at = MAKELPARAM(client.x, client.y);
  // Sent, not posted: each has been handled when the call returns, and nothing the test sends
  // next can overtake it.
  ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(list, WM_LBUTTONUP, 0, at);
  if (twice) {
    ::SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::SendMessageW(list, WM_LBUTTONUP, 0, at);
  }
}

void DragLine(HWND list, int from, POINT to, const std::function<void()>& whileOver) {
  POINT start = LinePoint(list, from);
  ::SetCursorPos(start.x, start.y);
  ::ScreenToClient(list, &start);
  ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start.x, start.y));
  ::SetCursorPos(to.x, to.y);
  POINT over = to;
  ::ScreenToClient(list, &over);
  LPARAM at = MAKELPARAM(static_cast<short>(over.x), static_cast<short>(over.y));
  ::SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, at);
  if (whileOver) whileOver();
  ::SendMessageW(list, WM_LBUTTONUP, 0, at);
}

int ListViewCount(HWND view) { return static_cast<int>(::SendMessageW(view, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ListViewText(HWND view, int line) {
  constexpr std::size_t kChars = 128;
  CRemoteMemory remote(view, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  LVITEMW item{};
  item.pszText = reinterpret_cast<wchar_t*>(remote.Address(sizeof item));
  item.cchTextMax = kChars;
  remote.Write(&item, sizeof item);
  auto length = static_cast<int>(::SendMessageW(view, LVM_GETITEMTEXTW, line, remote.Address()));
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  remote.Read(text.data(), text.size() * sizeof(wchar_t), sizeof item);
  return text;
}

bool ListViewChecked(HWND view, int line) {
  return ::SendMessageW(view, LVM_GETITEMSTATE, line, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

namespace {

void SetItemState(HWND view, int line, UINT state, UINT mask) {
  LVITEMW item{};
  item.state = state;
  item.stateMask = mask;
  CRemoteMemory remote(view, sizeof item);
  remote.Write(&item, sizeof item);
  ::SendMessageW(view, LVM_SETITEMSTATE, line, remote.Address());
}

}  // namespace

void SetListViewChecked(HWND view, int line, bool checked) {
  SetItemState(view, line, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

int ListViewSelection(HWND view) {
  return static_cast<int>(::SendMessageW(view, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SelectListViewLine(HWND view, int line) {
  SetItemState(view, line, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}
