#pragma once
// The handler Explorer creates for one right-click: takes the selection, presents the submenu and
// runs the chosen command.
#include <windows.h>
#include <shlobj.h>

#include <optional>

#include "app.h"
#include "com_object.h"
#include "selection.h"
#include "settings.h"
#include "submenu.h"

class CContextMenuExtention final : public CComObject<IShellExtInit, IContextMenu> {
public:
  // Starts with a reference count of 0; the class factory takes the first reference.
  explicit CContextMenuExtention(const CApp& app);

  // IShellExtInit
  HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;

  // IContextMenu; the first and the last live in menu_presentation.cpp.
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                             UINT flags) override;
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override;
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR idCmd, UINT type, UINT* reserved, CHAR* name,
                                             UINT size) override;

private:
  HRESULT InitializeFrom(IDataObject* data);
  HRESULT Invoke(CMINVOKECOMMANDINFO* info);

  std::optional<CSelection> selection_;  // what the last Initialize accepted
  const CApp& app_;
  CSettings settings_;
};
