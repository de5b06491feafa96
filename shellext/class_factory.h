#pragma once
// The class factory of the context-menu handler: one static object per loaded library.
#include <windows.h>
#include <unknwn.h>

#include "app.h"
#include "classic_class.h"

// Makes one object of a class for the application object and hands out the interface asked for.
using CreateObjectFunction = HRESULT (*)(const CApp& app, REFIID riid, void** object);

// One factory per class the library serves: the classic handler and Windows 11's command tree.
class CContextMenuExtensionClass final : public IClassFactory {
public:
  CContextMenuExtensionClass(const CApp& app, CreateObjectFunction create) : app_(app), create_(create) {}
  CContextMenuExtensionClass(const CContextMenuExtensionClass&) = delete;
  CContextMenuExtensionClass& operator=(const CContextMenuExtensionClass&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  // The factory is static: counting references would change nothing.
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
  const CApp& app_;
  CreateObjectFunction create_;
};

// DllGetClassObject's work: the static factory of each of our classes, made on first use.
HRESULT GetModuleClassObject(REFCLSID clsid, REFIID riid, void** object);
// DllCanUnloadNow's answer.
HRESULT CanUnloadModule();
