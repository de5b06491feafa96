#include "link_accessible.h"

#include <new>

#include "hyperlink.h"

namespace {

// What a screen reader says the default action of a link is, in the words of the system's own links.
constexpr const wchar_t* kJump = L"ジャンプ";

HRESULT Text(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HMODULE Oleacc() {
  // From the system folder only, never from beside the program.
  static HMODULE module = ::LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module;
}

template <typename Fn>
Fn OleaccFunction(const char* name) {
  HMODULE module = Oleacc();
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace

LresultFromObjectFn OleaccLresultFromObject() {
  static LresultFromObjectFn fn = OleaccFunction<LresultFromObjectFn>("LresultFromObject");
  return fn;
}

CreateStdAccessibleObjectFn OleaccCreateStdAccessibleObject() {
  static CreateStdAccessibleObjectFn fn = OleaccFunction<CreateStdAccessibleObjectFn>("CreateStdAccessibleObject");
  return fn;
}

UINT LinkOpenMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TavrinoHyperLinkOpen");
  return message;
}

CLinkAccessible* CLinkAccessible::Create(CHyperLink& link, HWND window) {
  CreateStdAccessibleObjectFn create = OleaccCreateStdAccessibleObject();
  IAccessible* standard = nullptr;
  if (!create || FAILED(create(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard))) ||
      !standard)
    return nullptr;
  return new (std::nothrow) CLinkAccessible(link, window, standard);
}

CLinkAccessible::CLinkAccessible(CHyperLink& link, HWND window, IAccessible* standard)
    : link_(&link), window_(window), standard_(standard) {}

CLinkAccessible::~CLinkAccessible() { Disconnect(); }

void CLinkAccessible::Disconnect() {
  link_ = nullptr;
  if (standard_) standard_->Release();
  standard_ = nullptr;
}

HRESULT CLinkAccessible::Check(const VARIANT& child) const {
  if (!link_ || !standard_) return CO_E_OBJNOTCONNECTED;
  return child.vt == VT_I4 && child.lVal == CHILDID_SELF ? S_OK : E_INVALIDARG;
}

HRESULT CLinkAccessible::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CLinkAccessible::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }

ULONG CLinkAccessible::Release() {
  LONG left = ::InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT CLinkAccessible::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
HRESULT CLinkAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT CLinkAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT CLinkAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

HRESULT CLinkAccessible::get_accParent(IDispatch** parent) {
  return standard_ ? standard_->get_accParent(parent) : CO_E_OBJNOTCONNECTED;
}

HRESULT CLinkAccessible::get_accChildCount(long* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return standard_ ? S_OK : CO_E_OBJNOTCONNECTED;
}

HRESULT CLinkAccessible::get_accChild(VARIANT, IDispatch** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return E_INVALIDARG;
}

HRESULT CLinkAccessible::get_accName(VARIANT child, BSTR* name) {
  HRESULT ok = Check(child);
  return SUCCEEDED(ok) ? standard_->get_accName(child, name) : ok;
}

HRESULT CLinkAccessible::get_accValue(VARIANT child, BSTR* value) {
  HRESULT ok = Check(child);
  return SUCCEEDED(ok) ? Text(link_->GetHyperLink(), value) : ok;
}

HRESULT CLinkAccessible::get_accDescription(VARIANT child, BSTR* description) {
  HRESULT ok = Check(child);
  return SUCCEEDED(ok) ? standard_->get_accDescription(child, description) : ok;
}

HRESULT CLinkAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (!role) return E_POINTER;
  HRESULT ok = Check(child);
  if (FAILED(ok)) return ok;
  ::VariantInit(role);
  role->vt = VT_I4;
  role->lVal = ROLE_SYSTEM_LINK;
  return S_OK;
}

HRESULT CLinkAccessible::get_accState(VARIANT child, VARIANT* state) {
  HRESULT ok = Check(child);
  if (FAILED(ok)) return ok;
  HRESULT result = standard_->get_accState(child, state);
  if (SUCCEEDED(result) && state && state->vt == VT_I4) {
    state->lVal |= STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
    if (link_->IsVisited()) state->lVal |= STATE_SYSTEM_TRAVERSED;
  }
  return result;
}

HRESULT CLinkAccessible::get_accHelp(VARIANT child, BSTR* help) {
  HRESULT ok = Check(child);
  return SUCCEEDED(ok) ? standard_->get_accHelp(child, help) : ok;
}

HRESULT CLinkAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
  HRESULT ok = Check(child);
  return SUCCEEDED(ok) ? standard_->get_accHelpTopic(file, child, topic) : ok;
}

HRESULT CLinkAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  HRESULT ok = Check(child);
  return SUCCEEDED(ok) ? standard_->get_accKeyboardShortcut(child, shortcut) : ok;
}

HRESULT CLinkAccessible::get_accFocus(VARIANT* focus) {
  return standard_ ? standard_->get_accFocus(focus) : CO_E_OBJNOTCONNECTED;
}

HRESULT CLinkAccessible::get_accSelection(VARIANT* selection) {
  return standard_ ? standard_->get_accSelection(selection) : CO_E_OBJNOTCONNECTED;
}

HRESULT CLinkAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  HRESULT ok = Check(child);
  return SUCCEEDED(ok) ? Text(kJump, action) : ok;
}

HRESULT CLinkAccessible::accSelect(long flags, VARIANT child) {
  HRESULT ok = Check(child);
  return SUCCEEDED(ok) ? standard_->accSelect(flags, child) : ok;
}

HRESULT CLinkAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
  HRESULT ok = Check(child);
  return SUCCEEDED(ok) ? standard_->accLocation(left, top, width, height, child) : ok;
}

HRESULT CLinkAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
  return standard_ ? standard_->accNavigate(direction, start, end) : CO_E_OBJNOTCONNECTED;
}

HRESULT CLinkAccessible::accHitTest(long left, long top, VARIANT* child) {
  return standard_ ? standard_->accHitTest(left, top, child) : CO_E_OBJNOTCONNECTED;
}

HRESULT CLinkAccessible::accDoDefaultAction(VARIANT child) {
  HRESULT ok = Check(child);
  if (FAILED(ok)) return ok;
  // Opened by the link's own thread once the client's call has returned: the shell may take a while.
  return ::PostMessageW(window_, LinkOpenMessage(), 0, 0) ? S_OK : HRESULT_FROM_WIN32(::GetLastError());
}

HRESULT CLinkAccessible::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT CLinkAccessible::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }
