// Test stand-in for the accessibility annotation service (IAccPropServices). It appends each name
// set or taken back to accprop_recorder.log beside the library, one line per window:
// "set<TAB>caption<TAB>class<TAB>id<TAB>name" or "clear<TAB>caption<TAB>class<TAB>id", where caption
// is the text of the window's top-level dialog. Anything else it is asked is logged as "other".
#include <windows.h>
#include <oleacc.h>

#include <string>

#include "errors.h"
#include "recorder_log.h"

namespace {

HMODULE g_module = nullptr;
constexpr CLSID kClsidAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIidAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kPropIdName = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

void Record(const std::string& line) { AppendBesideModule(g_module, L"accprop_recorder.log", line); }

std::string Window(HWND window) {
  wchar_t caption[256] = {}, type[64] = {};
  ::GetWindowTextW(::GetAncestor(window, GA_ROOT), caption, ARRAYSIZE(caption));
  ::GetClassNameW(window, type, ARRAYSIZE(type));
  return ToUtf8(caption) + "\t" + ToUtf8(type) + "\t" + std::to_string(::GetDlgCtrlID(window));
}

class CRecorder final : public IAccPropServices, public IClassFactory {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == __uuidof(IUnknown) || iid == kIidAccPropServices) {
      *object = static_cast<IAccPropServices*>(this);
    } else if (iid == __uuidof(IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  // One object for the life of the library.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    return outer ? CLASS_E_NOAGGREGATION : QueryInterface(iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND window, DWORD object, DWORD child, MSAAPROPID prop,
                                           LPCWSTR text) override {
    bool name = object == static_cast<DWORD>(OBJID_CLIENT) && child == CHILDID_SELF && prop == kPropIdName;
    Record(std::string(name ? "set\t" : "other\t") + Window(window) + "\t" + ToUtf8(text ? text : L""));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND window, DWORD object, DWORD child, const MSAAPROPID* props,
                                           int count) override {
    bool name = object == static_cast<DWORD>(OBJID_CLIENT) && child == CHILDID_SELF && count == 1 &&
                props[0] == kPropIdName;
    Record(std::string(name ? "clear\t" : "other\t") + Window(window));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return Other(); }
  HRESULT STDMETHODCALLTYPE SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                          AnnoScope) override {
    return Other();
  }
  HRESULT STDMETHODCALLTYPE ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return Other(); }
  HRESULT STDMETHODCALLTYPE SetHwndProp(HWND, DWORD, DWORD, MSAAPROPID, VARIANT) override { return Other(); }
  HRESULT STDMETHODCALLTYPE SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                              AnnoScope) override {
    return Other();
  }
  HRESULT STDMETHODCALLTYPE ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override { return Other(); }
  HRESULT STDMETHODCALLTYPE DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
    return Other();
  }
  HRESULT STDMETHODCALLTYPE SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return Other(); }
  HRESULT STDMETHODCALLTYPE SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return Other(); }
  HRESULT STDMETHODCALLTYPE SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                               AnnoScope) override {
    return Other();
  }
  HRESULT STDMETHODCALLTYPE ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return Other(); }
  HRESULT STDMETHODCALLTYPE ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return Other(); }
  HRESULT STDMETHODCALLTYPE DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
    return Other();
  }

private:
  static HRESULT Other() {
    Record("other");
    return E_NOTIMPL;
  }
};

CRecorder g_recorder;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != kClsidAccPropServices) return CLASS_E_CLASSNOTAVAILABLE;
  return static_cast<IClassFactory*>(&g_recorder)->QueryInterface(iid, object);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }
