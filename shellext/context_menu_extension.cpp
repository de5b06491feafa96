#include "context_menu_extension.h"

#include <shellapi.h>

#include <string>

#include "handles.h"

namespace {

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

}  // namespace

CContextMenuExtention::CContextMenuExtention(const CApp& app) : app_(app) {}

HRESULT CContextMenuExtention::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
  return ComGuard([&] { return InitializeFrom(data); });
}

HRESULT CContextMenuExtention::InitializeFrom(IDataObject* data) {
  if (!data) return E_INVALIDARG;
  selection_.reset();  // a failed Initialize must not leave an earlier item to act on
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  HRESULT result = E_FAIL;
  {
    CStgMedium medium;
    if (FAILED(data->GetData(&format, medium.Put()))) return E_FAIL;
    HDROP drop = static_cast<HDROP>(medium.Get().hGlobal);
    std::wstring raw;
    if (::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
      // Read whole: the selection rule refuses a path too long for the classic buffers rather
      // than acting on a cut one.
      raw.resize(::DragQueryFileW(drop, 0, nullptr, 0));
      if (::DragQueryFileW(drop, 0, raw.data(), static_cast<UINT>(raw.size() + 1)) != raw.size()) raw.clear();
    }
    if (AcceptsSelectedPath(raw)) {
      // An item that cannot be opened or whose times cannot be read ends here, settings unread.
      selection_ = ReadSelection(raw);
      if (!selection_) return E_FAIL;
      result = S_OK;
    }
  }  // the medium is released before the settings are read
  if (!LoadRightClickSettings(settings_, app_)) {
    selection_.reset();
    return E_FAIL;
  }
  return result;
}

HRESULT CContextMenuExtention::InvokeCommand(CMINVOKECOMMANDINFO* info) {
  return ComGuard([&] { return Invoke(info); });
}

HRESULT CContextMenuExtention::Invoke(CMINVOKECOMMANDINFO* info) {
  if (!info) return E_INVALIDARG;
  // Only numeric verbs: a verb given as a string (its pointer above 0xFFFF) is refused.
  ULONG_PTR verb = reinterpret_cast<ULONG_PTR>(info->lpVerb);
  if (verb > 0xFFFF) return E_FAIL;
  if (!selection_) return E_FAIL;  // nothing was selected for this object
  // The keys as of the input message that chose the item, not a fresh poll of the keyboard.
  const CInvocation how{KeyDown(VK_SHIFT), KeyDown(VK_CONTROL), nullptr};
  return RunSelectedCommand(static_cast<int>(verb), *selection_, settings_, app_, how) ? S_OK : E_FAIL;
}
