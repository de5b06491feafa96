#include "keyboard_hook.h"

#include <atomic>
#include <cwchar>

#include "date_stamp.h"
#include "handles.h"
#include "hook_values.h"
#include "rename_keys.h"

namespace {

// Longer texts are no file name; their keys go on unchanged.
constexpr int kMaxEditText = 0x7FFF;

// A text of up to 64 KB is more than a guest should take from a thread's stack: it goes on the
// process's heap, through the system and not the runtime.
struct ProcessHeapTraits {
  using Type = wchar_t*;
  static Type Invalid() { return nullptr; }
  static void Close(Type text) { ::HeapFree(::GetProcessHeap(), 0, text); }
};
using CHeapText = CUniqueHandle<ProcessHeapTraits>;

// The key-up of a key whose key-down was handled: it must not reach the box either.
std::atomic<WPARAM> g_keyUpToSwallow{0};

RenameKey KeyOf(WPARAM vk) {
  switch (vk) {
    case VK_F2:
      return RenameKey::F2;
    case VK_HOME:
      return RenameKey::Home;
    case VK_END:
      return RenameKey::End;
    case VK_INSERT:
      return RenameKey::Insert;
    case VK_TAB:
      return RenameKey::Tab;
    default:
      return RenameKey::Other;
  }
}

bool ClassIs(const wchar_t* name, int length, const wchar_t* wanted) {
  return ::CompareStringOrdinal(name, length, wanted, -1, TRUE) == CSTR_EQUAL;
}

bool HasClass(HWND window, const wchar_t* wanted) {
  wchar_t name[32];
  int length = ::GetClassNameW(window, name, ARRAYSIZE(name));
  return length > 0 && ClassIs(name, length, wanted);
}

// The views Explorer, the desktop and the file dialogs rename their items in.
bool IsItemView(HWND window) {
  wchar_t name[32];
  int length = window ? ::GetClassNameW(window, name, ARRAYSIZE(name)) : 0;
  if (length <= 0) return false;
  return ClassIs(name, length, L"DirectUIHWND") || ClassIs(name, length, L"SysListView32") ||
         ClassIs(name, length, L"SysTreeView32");
}

bool IsChildWindow(HWND window) { return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0; }

// Above a top-level window lies the desktop, another process's window: not asked at all.
bool IsRenameBox(HWND edit) {
  if (!IsChildWindow(edit)) return false;
  HWND parent = ::GetAncestor(edit, GA_PARENT);
  if (IsItemView(parent)) return true;
  return parent && IsChildWindow(parent) && IsItemView(::GetAncestor(parent, GA_PARENT));
}

// The thread's key state as the key arrives: one call for all modifiers.
CKeyModifiers CurrentModifiers(LPARAM lParam) {
  BYTE state[256] = {};
  ::GetKeyboardState(state);
  auto down = [&state](int vk) { return (state[vk] & 0x80) != 0; };
  CKeyModifiers m;
  m.shift = down(VK_SHIFT);
  m.ctrl = down(VK_CONTROL);
  m.alt = (HIWORD(lParam) & KF_ALTDOWN) != 0 || down(VK_MENU);
  m.win = down(VK_LWIN) || down(VK_RWIN);
  return m;
}

bool ReadEdit(HWND edit, CHeapText& text, CRenameKeyInput& input) {
  int length = ::GetWindowTextLengthW(edit);
  if (length < 0 || length > kMaxEditText) return false;
  const std::size_t bytes = (static_cast<std::size_t>(length) + 1) * sizeof(wchar_t);
  text.Reset(static_cast<wchar_t*>(::HeapAlloc(::GetProcessHeap(), 0, bytes)));
  if (!text) return false;
  length = ::GetWindowTextW(edit, text.Get(), length + 1);
  DWORD start = 0, end = 0;
  ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  input.text = std::wstring_view(text.Get(), length > 0 ? static_cast<std::size_t>(length) : 0);
  input.selectionStart = start;
  input.selectionEnd = end;
  const LRESULT limit = ::SendMessageW(edit, EM_GETLIMITTEXT, 0, 0);
  if (limit > 0) input.maxLength = static_cast<std::size_t>(limit);
  return true;
}

CDateStamp StampFor(StampKind kind, const CHookValues& values) {
  if (kind == StampKind::None) return {};
  const wchar_t* format = kind == StampKind::Date ? values.dateFormat : values.dateTimeFormat;
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return MakeDateStamp(std::wstring_view(format, ::wcsnlen(format, ARRAYSIZE(values.dateFormat))), StampTimeOf(now));
}

void Apply(HWND edit, const CKeyOutcome& out) {
  if (out.replace) {
    ::SendMessageW(edit, EM_SETSEL, out.replaceStart, out.replaceEnd);
    ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(out.insert));
  }
  ::SendMessageW(edit, EM_SETSEL, out.anchor, out.caret);
  ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
  if (out.beep) ::MessageBeep(MB_OK);
}

// True when the key was handled and must go no further. The cheap questions come first: most keys
// in most windows end at the first or second, without a look at the shared values.
bool HandleKeyDown(RenameKey key, LPARAM lParam, bool anyEdit) {
  if (HIWORD(lParam) & KF_ALTDOWN) return false;
  HWND edit = ::GetFocus();
  if (!edit || !HasClass(edit, L"Edit")) return false;
  const LONG_PTR style = ::GetWindowLongPtrW(edit, GWL_STYLE);
  CEditKind kind;
  kind.multiline = (style & ES_MULTILINE) != 0;
  kind.password = (style & ES_PASSWORD) != 0;
  kind.readOnly = (style & ES_READONLY) != 0;
  kind.digitsOnly = (style & ES_NUMBER) != 0;
  kind.inItemView = IsRenameBox(edit);
  if (!ServesEdit(kind, anyEdit)) return false;

  CHookValues values;
  if (!ReadHookValues(values)) return false;
  CRenameKeyInput input;
  input.key = key;
  input.modifiers = CurrentModifiers(lParam);
  if (input.modifiers.ctrl || input.modifiers.alt || input.modifiers.win) return false;
  CHeapText text;
  if (!ReadEdit(edit, text, input)) return false;
  const CDateStamp stamp = StampFor(StampWanted(key, input.modifiers, values.keys), values);
  input.stamp = stamp.Text();
  input.stampUsable = stamp.Usable();
  const CKeyOutcome out = DecideRenameKey(input, values.keys);
  if (!out.handled) return false;
  Apply(edit, out);
  return true;
}

bool HandleKey(WPARAM vk, LPARAM lParam, bool anyEdit) {
  RenameKey key = KeyOf(vk);
  if (key == RenameKey::Other) return false;
  if (lParam & (1u << 31)) {
    WPARAM expected = vk;
    return g_keyUpToSwallow.compare_exchange_strong(expected, 0);
  }
  if (!HandleKeyDown(key, lParam, anyEdit)) return false;
  g_keyUpToSwallow = vk;
  return true;
}

// Nothing the procedure calls throws or takes memory but from the system: a key we cannot handle
// (no memory for the box's text) goes on as if we were not here.
LRESULT KeyboardProc(int code, WPARAM wParam, LPARAM lParam, bool anyEdit) noexcept {
  // A peek that leaves the key in the queue is not yet its delivery.
  if (code == HC_ACTION && HandleKey(wParam, lParam, anyEdit)) return 1;
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK RenameBoxKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  return KeyboardProc(code, wParam, lParam, false);
}

LRESULT CALLBACK AnyEditKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  return KeyboardProc(code, wParam, lParam, true);
}
