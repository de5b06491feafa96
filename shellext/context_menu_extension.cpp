#include "context_menu_extension.h"

#include <shellapi.h>

#include <array>

#include "catalogue.h"
#include "handles.h"
#include "selected_item.h"
#include "text.h"

namespace {

struct CItemTimes {
  const SYSTEMTIME& Creation;
  const SYSTEMTIME& LastWrite;
};

using CommandHandler = bool (*)(CCommandContext&, const CItemTimes&);

// Command number -> handler; 0 (the separator) has none. Every command of the catalogue is here,
// so new handler bodies need no change to the dispatch.
constexpr std::array<CommandHandler, kCommandSlots> kCommandHandlers = {
    nullptr,
    [](CCommandContext& c, const CItemTimes&) { return c.CopyFullPath(); },
    [](CCommandContext& c, const CItemTimes&) { return c.CopyParentDirPath(); },
    [](CCommandContext& c, const CItemTimes&) { return c.CopyFileName(); },
    [](CCommandContext& c, const CItemTimes&) { return c.CopyFileBaseName(); },
    [](CCommandContext& c, const CItemTimes&) { return c.ToLower(); },
    [](CCommandContext& c, const CItemTimes&) { return c.ToUpper(); },
    [](CCommandContext& c, const CItemTimes&) { return c.RemoveShortcutString(); },
    [](CCommandContext& c, const CItemTimes&) { return c.RemoveCopyString(); },
    [](CCommandContext& c, const CItemTimes&) { return c.RemoveNumericFromFileNameHead(); },
    [](CCommandContext& c, const CItemTimes&) { return c.RemoveNumericFromFileNameEnd(); },
    [](CCommandContext& c, const CItemTimes&) { return c.InsertDateTimeInHead(); },
    [](CCommandContext& c, const CItemTimes&) { return c.InsertDateTimeInEnd(); },
    [](CCommandContext& c, const CItemTimes&) { return c.InsertStringInFileNameHead(); },
    [](CCommandContext& c, const CItemTimes&) { return c.RemoveStringFromFileNameHead(); },
    [](CCommandContext& c, const CItemTimes&) { return c.InsertStringInExtensionEnd(); },
    [](CCommandContext& c, const CItemTimes&) { return c.RemoveStringFromExtensionEnd(); },
    [](CCommandContext& c, const CItemTimes&) { return c.AddAutoNumber(); },
    [](CCommandContext& c, const CItemTimes& t) { return c.InsertFileDateTimeInHead(t.Creation); },
    [](CCommandContext& c, const CItemTimes& t) { return c.InsertFileDateTimeInEnd(t.Creation); },
    [](CCommandContext& c, const CItemTimes& t) { return c.InsertFileDateTimeInHead(t.LastWrite); },
    [](CCommandContext& c, const CItemTimes& t) { return c.InsertFileDateTimeInEnd(t.LastWrite); },
};
static_assert(CmdInsertFileLastWriteDateTimeInEnd == kCommandSlots - 1);

bool ToLocalSystemTime(const FILETIME& utc, SYSTEMTIME& local) {
  FILETIME localFile;
  return ::FileTimeToLocalFileTime(&utc, &localFile) && ::FileTimeToSystemTime(&localFile, &local);
}

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

}  // namespace

bool RunCommand(int number, CCommandContext& context, const SYSTEMTIME& creationTime, const SYSTEMTIME& lastWriteTime) {
  if (!IsCommand(number)) return true;
  // A root has no name to change: every composed path would name another item. Not offered.
  if (context.IsRoot && IsRenamingCommand(number)) return false;
  return kCommandHandlers[number](context, CItemTimes{creationTime, lastWriteTime});
}

CContextMenuExtention::CContextMenuExtention(const CApp& app) : app_(app) {
  settings_.SetIniFilePath(app.GetIniFilePath());
}

HRESULT CContextMenuExtention::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit)) {
    *object = static_cast<IShellExtInit*>(this);
  } else if (IsEqualIID(riid, IID_IContextMenu)) {
    *object = static_cast<IContextMenu*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CContextMenuExtention::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refCount_)); }

ULONG CContextMenuExtention::Release() {
  LONG count = ::InterlockedDecrement(&refCount_);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT CContextMenuExtention::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
  return ComGuard([&] { return InitializeFrom(data); });
}

HRESULT CContextMenuExtention::InitializeFrom(IDataObject* data) {
  if (!data) return E_INVALIDARG;
  selected_ = false;  // a failed Initialize must not leave an earlier item to act on
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  HRESULT result = E_FAIL;
  {
    CStgMedium medium;
    if (FAILED(data->GetData(&format, medium.Put()))) return E_FAIL;
    HDROP drop = static_cast<HDROP>(medium.Get().hGlobal);
    if (::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) result = S_OK;
    // Never act on a cut path: one that does not fit the buffer is refused whole.
    wchar_t raw[MAX_PATH] = {};
    if (SUCCEEDED(result)) {
      UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
      if (length == 0 || length >= MAX_PATH || ::DragQueryFileW(drop, 0, raw, MAX_PATH) != length) result = E_FAIL;
    }
    // Only a full path that Windows takes as written: "memo." would reach "memo", "memo.txt" the
    // current folder's, "NUL" a device.
    if (SUCCEEDED(result) && !IsSelectablePath(raw)) result = E_FAIL;
    if (SUCCEEDED(result)) {
      CSelectedItem item = ReadSelectedItem(raw);
      // Only read sharing: an item another program is writing is left alone.
      CFileHandle file(::CreateFileW(raw, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | (item.IsFolder ? FILE_FLAG_BACKUP_SEMANTICS : 0),
                                     nullptr));
      if (!file) return E_FAIL;
      FILETIME creation, lastWrite;
      if (!::GetFileTime(file.Get(), &creation, nullptr, &lastWrite)) return E_FAIL;
      SYSTEMTIME creationLocal, lastWriteLocal;
      if (!ToLocalSystemTime(creation, creationLocal) || !ToLocalSystemTime(lastWrite, lastWriteLocal)) return E_FAIL;
      // Everything read: only now replace what an earlier Initialize left.
      item_ = std::move(item);
      creationTime_ = creationLocal;
      lastWriteTime_ = lastWriteLocal;
      selected_ = true;
    }
  }  // the medium is released before the settings are read
  // Read afresh at every right-click, so saved changes apply without restarting Explorer. A file
  // that cannot be read gives no submenu rather than the defaults: a date command would otherwise
  // rename with a format the user never chose.
  try {
    LoadSettingsChecked(settings_, kRightClickSharingWaitMs);
  } catch (const CAppError&) {
    selected_ = false;
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
  if (!selected_) return E_FAIL;  // nothing was selected for this object
  CCommandContext context = NewContext();
  // The keys as of the input message that chose the item, not a fresh poll of the keyboard.
  context.ShiftDown = KeyDown(VK_SHIFT);
  context.CtrlDown = KeyDown(VK_CONTROL);
  return RunCommand(static_cast<int>(verb), context, creationTime_, lastWriteTime_) ? S_OK : E_FAIL;
}
