#include "class_factory.h"

#include "context_menu_extension.h"
#include "explorer_command.h"
#include "module_state.h"
#include "package_identity.h"
#include "package_state.h"

namespace {

template <typename Object>
HRESULT Create(const CApp& app, REFIID riid, void** object) {
  return CreateComObject<Object>(riid, object, app);
}

}  // namespace

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
    return create_(app_, riid, object);
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
    // Each made once even when several of Explorer's threads ask at the same time.
    if (IsEqualCLSID(clsid, CLSID_TavrinoContextMenuExtension)) {
      static CContextMenuExtensionClass factory(ModuleApp(), Create<CContextMenuExtention>);
      return factory.QueryInterface(riid, object);
    }
    if (IsEqualCLSID(clsid, CLSID_TavrinoExplorerCommand)) {
      static CContextMenuExtensionClass factory(ModuleApp(), Create<CExplorerCommandRoot>);
      return factory.QueryInterface(riid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
  });
}

HRESULT CanUnloadModule() {
  if (ModuleInUse()) return S_FALSE;
  CloseTopLevelMenuRecord();  // reopened should a right-click come after all
  return S_OK;
}
