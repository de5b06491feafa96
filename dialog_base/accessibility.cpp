#include "accessibility.h"

#include <oleacc.h>

#include "controls.h"

namespace {

// mingw-w64's import libraries lack these (or define IID_IAccessible wrongly); the values are the
// system's.
constexpr CLSID kClsidAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIidAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kPropIdName = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

}  // namespace

CAccessibleNames::~CAccessibleNames() {
  Clear();
  if (services_) services_->Release();
}

HRESULT CAccessibleNames::SetOne(HWND window, const std::wstring& name) {
  if (!services_) {
    HRESULT made = ::CoCreateInstance(kClsidAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIidAccPropServices,
                                      reinterpret_cast<void**>(&services_));
    if (FAILED(made)) return made;
  }
  HRESULT result = services_->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kPropIdName,
                                             const_cast<LPWSTR>(name.c_str()));
  if (SUCCEEDED(result)) named_.push_back(window);
  return result;
}

HRESULT CAccessibleNames::Set(HWND control, const std::wstring& name) {
  if (!control) return E_INVALIDARG;
  HRESULT result = SetOne(control, name);
  // The focus of a combo box that can be typed into is its edit field, which a reader names too.
  if (SUCCEEDED(result) && IsWindowClass(control, L"ComboBox"))
    if (HWND edit = ::FindWindowExW(control, nullptr, L"Edit", nullptr)) result = SetOne(edit, name);
  return result;
}

HRESULT CAccessibleNames::SetFromLabel(HWND control) {
  HWND label = control ? LabelBefore(control) : nullptr;
  return label ? Set(control, LabelText(label)) : E_FAIL;
}

void CAccessibleNames::Clear() {
  if (services_) {
    const MSAAPROPID props[] = {kPropIdName};
    for (HWND window : named_)
      services_->ClearHwndProps(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, const_cast<MSAAPROPID*>(props),
                                1);
  }
  named_.clear();
}
