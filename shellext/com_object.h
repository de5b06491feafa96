#pragma once
// Reference counting and QueryInterface for our COM classes: each object counts as a live object
// of the module, answers for IUnknown with its first interface, and is destroyed by its last Release.
#include <windows.h>
#include <unknwn.h>

#include <utility>

#include "module_state.h"

template <typename First, typename... More>
class CComObject : public First, public More... {
public:
  CComObject() = default;
  CComObject(const CComObject&) = delete;
  CComObject& operator=(const CComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown))
      *object = static_cast<First*>(this);
    else if (!(Offer<First>(riid, object) || (Offer<More>(riid, object) || ...)))
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refCount_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG count = ::InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
  }

protected:
  virtual ~CComObject() = default;  // only through Release

private:
  template <typename Interface>
  bool Offer(REFIID riid, void** object) {
    if (!IsEqualIID(riid, __uuidof(Interface))) return false;
    *object = static_cast<Interface*>(this);
    return true;
  }

  CModuleObject moduleObject_;  // first: counted before anything else can fail
  LONG refCount_ = 0;           // the creator takes the first reference
};

// Makes an object and hands out the interface asked for: our own reference keeps it alive through
// QueryInterface, and releasing it destroys the object when the interface was refused.
template <typename Object, typename... Args>
HRESULT CreateComObject(REFIID riid, void** object, Args&&... args) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* created = new Object(std::forward<Args>(args)...);
  created->AddRef();
  HRESULT result = created->QueryInterface(riid, object);
  created->Release();
  return result;
}
