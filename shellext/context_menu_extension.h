#pragma once
// The handler Explorer creates for one right-click: takes the selection, presents the submenu and
// runs the chosen command.
#include <windows.h>
#include <shlobj.h>

#include "app.h"
#include "command_context.h"
#include "module_state.h"
#include "settings.h"

// Runs command `number` (1 to 21) on the context: false when it fails, true for numbers without a
// command. The file-date commands take the item's times.
bool RunCommand(int number, CCommandContext& context, const SYSTEMTIME& creationTime, const SYSTEMTIME& lastWriteTime);

class CContextMenuExtention final : public IShellExtInit, public IContextMenu {
public:
  // Starts with a reference count of 0; the class factory takes the first reference.
  explicit CContextMenuExtention(const CApp& app);
  CContextMenuExtention(const CContextMenuExtention&) = delete;
  CContextMenuExtention& operator=(const CContextMenuExtention&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IShellExtInit
  HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;

  // IContextMenu; the first and the last live in menu_presentation.cpp.
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                             UINT flags) override;
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override;
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR idCmd, UINT type, UINT* reserved, CHAR* name,
                                             UINT size) override;

private:
  ~CContextMenuExtention() = default;  // only through Release

  // A fresh context for one call, from the state Initialize left.
  CCommandContext NewContext() const { return CCommandContext(app_, settings_, item_, LocalNow); }
  HRESULT InitializeFrom(IDataObject* data);
  HRESULT Invoke(CMINVOKECOMMANDINFO* info);

  CModuleObject moduleObject_;  // first: counted before anything else can fail
  LONG refCount_ = 0;
  CSelectedItem item_;
  SYSTEMTIME creationTime_ = {};
  SYSTEMTIME lastWriteTime_ = {};
  bool selected_ = false;  // a successful Initialize has filled the three above
  const CApp& app_;
  CSettings settings_;
};
