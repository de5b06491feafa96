#include "class_factory.h"

#include "context_menu_extension.h"
#include "module_state.h"

HRESULT CContextMenuExtensionClass::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CContextMenuExtensionClass::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  return ComGuard([&]() -> HRESULT {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* handler = new CContextMenuExtention(app_);
    // Our reference keeps the object alive through QueryInterface; releasing it afterwards
    // destroys the object when the interface was refused.
    handler->AddRef();
    HRESULT result = handler->QueryInterface(riid, object);
    handler->Release();
    return result;
  });
}

HRESULT CContextMenuExtensionClass::LockServer(BOOL lock) {
  if (lock)
    LockModule();
  else
    UnlockModule();
  return S_OK;
}

HRESULT GetModuleClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return ComGuard([&]() -> HRESULT {
    if (!object) return E_POINTER;
    if (!IsEqualCLSID(clsid, CLSID_TavrinoContextMenuExtension)) return CLASS_E_CLASSNOTAVAILABLE;
    // Made once even when several of Explorer's threads ask at the same time.
    static CContextMenuExtensionClass factory(ModuleApp());
    return factory.QueryInterface(riid, object);
  });
}

HRESULT CanUnloadModule() { return ModuleInUse() ? S_FALSE : S_OK; }
