#pragma once
// Windows 11's own right-click menu shows only packaged command handlers: the root entry
// "タブリノリネーム(&N)" and its commands as a tree of IExplorerCommand objects, built from the same
// selection rule, submenu and dispatch as the classic handler.
#include <windows.h>
#include <shobjidl.h>

#include <string>

#include "app.h"
#include "com_object.h"

class CExplorerCommandRoot final : public CComObject<IExplorerCommand> {
public:
  // Starts with a reference count of 0; the class factory takes the first reference.
  explicit CExplorerCommandRoot(const CApp& app) : app_(app) {}

  HRESULT STDMETHODCALLTYPE GetTitle(IShellItemArray* items, LPWSTR* name) override;
  HRESULT STDMETHODCALLTYPE GetIcon(IShellItemArray* items, LPWSTR* icon) override;
  HRESULT STDMETHODCALLTYPE GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalName(GUID* name) override;
  HRESULT STDMETHODCALLTYPE GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
  HRESULT STDMETHODCALLTYPE Invoke(IShellItemArray* items, IBindCtx* context) override;
  HRESULT STDMETHODCALLTYPE GetFlags(EXPCMDFLAGS* flags) override;
  HRESULT STDMETHODCALLTYPE EnumSubCommands(IEnumExplorerCommand** commands) override;

private:
  HRESULT Enumerate(IEnumExplorerCommand** commands) const;

  const CApp& app_;
  // The item the last GetState accepted, empty after a refusal: EnumSubCommands is given none of
  // its own. Read and written only under the lock, since nothing stops two threads from calling.
  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  std::wstring path_;
};
