#include "shell_client.h"

#include <shlwapi.h>

#include <memory>
#include <stdexcept>
#include <thread>
#include <utility>

#include "app.h"
#include "package_identity.h"
#include "test_support.h"
#include "text.h"

namespace {

template <typename T>
T Export(HMODULE module, const char* name) {
  FARPROC p = ::GetProcAddress(module, name);
  if (!p) throw std::runtime_error(std::string("missing export ") + name);
  return reinterpret_cast<T>(reinterpret_cast<void*>(p));
}

struct PidlDeleter {
  void operator()(ITEMIDLIST* p) const { ::CoTaskMemFree(p); }
};
using CPidl = std::unique_ptr<ITEMIDLIST, PidlDeleter>;

// Reference counting for the stand-ins the tests hand to the library, which may keep them.
template <typename Interface>
class CTestComObject : public Interface {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, __uuidof(Interface))) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<Interface*>(this);
    this->AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }

protected:
  virtual ~CTestComObject() = default;

private:
  LONG refs_ = 1;
};

// COM's own search for the class, in an apartment of its own whose end lets the library go again.
HRESULT ComFindsClass(REFCLSID clsid) {
  HRESULT result = E_FAIL;
  std::thread([&] {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      CComPtr<IClassFactory> factory;
      result = ::CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.PutVoid());
    }
    ::CoUninitialize();
  }).join();
  return result;
}

bool OpenClipboardSoon() {
  for (int i = 0; i < 50; ++i) {
    if (::OpenClipboard(nullptr)) return true;
    ::Sleep(10);
  }
  return false;
}

}  // namespace

CLSID HandlerClsid() {
  CLSID clsid;
  ::CLSIDFromString(kHandlerClsidText, &clsid);
  return clsid;
}

std::wstring HandlerClassKey() { return std::wstring(L"Software\\Classes\\CLSID\\") + kHandlerClsidText; }

CShellClient::CShellClient(const std::wstring& installFolder)
    : library_(::LoadLibraryW(JoinPath(installFolder, L"tavrino_shellext.dll").c_str())) {
  if (!library_) throw std::runtime_error("cannot load the shell extension: " + std::to_string(::GetLastError()));
}

CShellClient::~CShellClient() = default;

IClientShellExtController* CShellClient::Controller() const {
  using Get = IClientShellExtController* (*)();
  return Export<Get>(library_.Get(), "GetShellExtController")();
}

void CShellClient::RegisterAndConnect() {
  if (!Controller()->Register()) throw std::runtime_error("Register failed");
  // Wine's COM does not read HKCU\Software\Classes: the server is found here as Windows' COM finds
  // it. On Windows COM itself must find it through the user's registration.
  if (!RunsOnWine()) {
    HRESULT found = ComFindsClass(HandlerClsid());
    if (FAILED(found)) throw std::runtime_error("COM does not find the registered class: " + std::to_string(found));
  }
  bool exists = false;
  serverPath_ = ReadUserString(HandlerClassKey() + L"\\InprocServer32", nullptr, &exists);
  if (!exists) throw std::runtime_error("no InprocServer32");
  server_.Reset(::LoadLibraryW(serverPath_.c_str()));
  if (!server_) throw std::runtime_error("cannot load the registered server");
}

HRESULT CShellClient::GetClassObject(REFCLSID clsid, REFIID riid, void** object) const {
  using Get = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
  return Export<Get>(server_.Get(), "DllGetClassObject")(clsid, riid, object);
}

HRESULT CShellClient::CanUnloadNow() const {
  using Can = HRESULT(__stdcall*)();
  return Export<Can>(server_.Get(), "DllCanUnloadNow")();
}

CComPtr<IClassFactory> CShellClient::Factory() const {
  CComPtr<IClassFactory> factory;
  if (FAILED(GetClassObject(HandlerClsid(), IID_IClassFactory, factory.PutVoid())))
    throw std::runtime_error("no class factory");
  return factory;
}

CInstalledLibrary::CInstalledLibrary(const std::wstring& hint) : install_(hint) {
  CopyDeliverables(install_.Path(), {L"tavrino_shellext.dll"});
  client_ = std::make_unique<CShellClient>(install_.Path());
  client_->RegisterAndConnect();
}

void CInstalledLibrary::Restart() {
  client_.reset();
  if (::GetModuleHandleW(JoinPath(install_.Path(), L"tavrino_shellext.dll").c_str()))
    throw std::runtime_error("the library is still loaded");
  client_ = std::make_unique<CShellClient>(install_.Path());
  client_->RegisterAndConnect();
}

CInstalledLibrary::~CInstalledLibrary() {
  client_->Controller()->Unregister();
  client_.reset();
}

bool ClassicRightClick(IClassFactory* factory, IDataObject* selection) {
  CComPtr<IShellExtInit> init;
  CComPtr<IContextMenu> menu;
  if (FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, init.PutVoid())) ||
      FAILED(init->Initialize(nullptr, selection, nullptr)) ||
      FAILED(init->QueryInterface(IID_IContextMenu, menu.PutVoid())))
    return false;
  CMenu popup(::CreatePopupMenu());
  return SUCCEEDED(menu->QueryContextMenu(popup.Get(), 0, 1, 0x7FFF, CMF_NORMAL)) &&
         ::GetMenuItemCount(popup.Get()) == 3;
}

CComPtr<IExplorerCommand> CShellClient::CreateExplorerCommand() const {
  CComPtr<IClassFactory> factory;
  CComPtr<IExplorerCommand> root;
  if (FAILED(GetClassObject(CLSID_TavrinoExplorerCommand, IID_IClassFactory, factory.PutVoid())) ||
      FAILED(factory->CreateInstance(nullptr, __uuidof(IExplorerCommand), root.PutVoid())))
    throw std::runtime_error("no command tree");
  return root;
}

CComPtr<IShellExtInit> CShellClient::CreateHandler() const {
  CComPtr<IShellExtInit> handler;
  if (FAILED(Factory()->CreateInstance(nullptr, IID_IShellExtInit, handler.PutVoid())))
    throw std::runtime_error("CreateInstance failed");
  return handler;
}

CComPtr<IDataObject> ShellDataObject(const std::vector<std::wstring>& paths) {
  std::vector<CPidl> absolute;
  std::vector<PCUITEMID_CHILD> children;
  CComPtr<IShellFolder> parent;
  for (const std::wstring& path : paths) {
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (FAILED(::SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr)))
      throw std::runtime_error("SHParseDisplayName failed for " + U8(path));
    absolute.emplace_back(pidl);
    PCUITEMID_CHILD child = nullptr;
    if (!parent) {
      if (FAILED(::SHBindToParent(pidl, IID_IShellFolder, parent.PutVoid(), &child)))
        throw std::runtime_error("SHBindToParent failed");
    } else {
      child = ::ILFindLastID(pidl);  // the items share the first one's folder
    }
    children.push_back(child);
  }
  CComPtr<IDataObject> data;
  if (FAILED(parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(), IID_IDataObject,
                                   nullptr, data.PutVoid())))
    throw std::runtime_error("GetUIObjectOf failed");
  return data;
}

namespace {

class CHDropDataObject final : public CTestComObject<IDataObject> {
public:
  explicit CHDropDataObject(std::vector<std::wstring> paths) : paths_(std::move(paths)) {}

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    // DROPFILES, then each path with its NUL, then one more NUL.
    std::wstring list;
    for (const std::wstring& path : paths_) list.append(path).push_back(L'\0');
    list.push_back(L'\0');
    const SIZE_T bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    ::CopyMemory(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    ::GlobalUnlock(block);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
  std::vector<std::wstring> paths_;
};

}  // namespace

CComPtr<IDataObject> HDropDataObject(const std::vector<std::wstring>& paths) {
  CComPtr<IDataObject> data;
  *data.Put() = new CHDropDataObject(paths);
  return data;
}

CComPtr<IShellItemArray> ShellItems(const std::vector<std::wstring>& paths) {
  std::vector<CPidl> owned;
  std::vector<PCIDLIST_ABSOLUTE> pidls;
  for (const std::wstring& path : paths) {
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (FAILED(::SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr)))
      throw std::runtime_error("SHParseDisplayName failed for " + U8(path));
    owned.emplace_back(pidl);
    pidls.push_back(pidl);
  }
  CComPtr<IShellItemArray> items;
  if (FAILED(::SHCreateShellItemArrayFromIDLists(static_cast<UINT>(pidls.size()), pidls.data(), items.Put())))
    throw std::runtime_error("SHCreateShellItemArrayFromIDLists failed");
  return items;
}

namespace {

class CStandInItem final : public CTestComObject<IShellItem> {
public:
  explicit CStandInItem(std::wstring path) : path_(std::move(path)) {}
  HRESULT STDMETHODCALLTYPE GetDisplayName(SIGDN, LPWSTR* name) override { return ::SHStrDupW(path_.c_str(), name); }
  HRESULT STDMETHODCALLTYPE BindToHandler(IBindCtx*, REFGUID, REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetParent(IShellItem** parent) override {
    *parent = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetAttributes(SFGAOF, SFGAOF*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Compare(IShellItem*, SICHINTF, int*) override { return E_NOTIMPL; }

private:
  std::wstring path_;
};

class CStandInItems final : public CTestComObject<IShellItemArray> {
public:
  explicit CStandInItems(std::vector<std::wstring> paths) : paths_(std::move(paths)) {}
  HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
    *count = static_cast<DWORD>(paths_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetItemAt(DWORD index, IShellItem** item) override {
    *item = index < paths_.size() ? new CStandInItem(paths_[index]) : nullptr;
    return *item ? S_OK : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE BindToHandler(IBindCtx*, REFGUID, REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetPropertyStore(GETPROPERTYSTOREFLAGS, REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetPropertyDescriptionList(REFPROPERTYKEY, REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetAttributes(SIATTRIBFLAGS, SFGAOF, SFGAOF*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumItems(IEnumShellItems** items) override {
    *items = nullptr;
    return E_NOTIMPL;
  }

private:
  std::vector<std::wstring> paths_;
};

}  // namespace

CComPtr<IShellItemArray> StandInItems(const std::vector<std::wstring>& paths) {
  CComPtr<IShellItemArray> items;
  *items.Put() = new CStandInItems(paths);
  return items;
}

CSettings LibrarySettings(const std::wstring& installFolder) {
  CApp app(installFolder, CApp().UserName());
  app.CreateDataFolders();
  CSettings settings;
  settings.SetIniFilePath(app.GetIniFilePath());
  return settings;
}

std::vector<MenuLine> ReadMenu(HMENU menu) {
  std::vector<MenuLine> lines;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 255;
    ::GetMenuItemInfoW(menu, i, TRUE, &info);
    bool separator = (info.fType & MFT_SEPARATOR) != 0;
    // Wine reports separators as greyed; only items matter here.
    lines.push_back({separator ? L"-" : text, !separator && (info.fState & MFS_GRAYED), separator ? 0 : info.wID});
  }
  return lines;
}

std::wstring MenuTexts(const std::vector<MenuLine>& lines) {
  std::wstring out;
  for (const MenuLine& line : lines) out += line.text + (line.greyed ? L"(灰)" : L"") + L"|";
  return out;
}

std::vector<CComPtr<IExplorerCommand>> SubCommands(IExplorerCommand* command) {
  std::vector<CComPtr<IExplorerCommand>> children;
  CComPtr<IEnumExplorerCommand> list;
  if (FAILED(command->EnumSubCommands(list.Put())) || !list) return children;
  for (CComPtr<IExplorerCommand> child; list->Next(1, child.Put(), nullptr) == S_OK;) children.push_back(child);
  return children;
}

MenuLine ReadCommand(IExplorerCommand* command) {
  EXPCMDFLAGS flags = 0;
  EXPCMDSTATE state = 0;
  command->GetFlags(&flags);
  command->GetState(nullptr, FALSE, &state);
  if (flags & ECF_ISSEPARATOR) return {L"-", false, 0};
  CCoTaskString title;
  command->GetTitle(nullptr, title.Put());
  return {title.Get() ? title.Get() : L"", (state & ECS_DISABLED) != 0, 0};
}

std::wstring CommandToolTip(IExplorerCommand* command) {
  CCoTaskString tip;
  return SUCCEEDED(command->GetToolTip(nullptr, tip.Put())) && tip.Get() ? tip.Get() : L"";
}

CHeldKeys::CHeldKeys(bool shift, bool ctrl) : shift_(shift), ctrl_(ctrl) { Send(true); }
CHeldKeys::~CHeldKeys() { Send(false); }

void CHeldKeys::Send(bool down) {
  std::vector<INPUT> inputs;
  for (auto [held, key] : {std::pair{shift_, VK_SHIFT}, std::pair{ctrl_, VK_CONTROL}}) {
    if (!held) continue;
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(key);
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  if (!inputs.empty()) ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void SetModifierKeys(bool shift, bool ctrl) {
  BYTE state[256] = {};
  ::GetKeyboardState(state);
  state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
  state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
  ::SetKeyboardState(state);
}

std::wstring ReadClipboardText() {
  if (!OpenClipboardSoon()) throw std::runtime_error("clipboard busy");
  std::wstring text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    CGlobalLock lock(data);
    if (lock.Get()) text = static_cast<const wchar_t*>(lock.Get());
  }
  ::CloseClipboard();
  return text;
}

void WriteClipboardText(const std::wstring& text) {
  CGlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
  {
    CGlobalLock lock(block.Get());
    ::CopyMemory(lock.Get(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }
  if (!OpenClipboardSoon()) throw std::runtime_error("clipboard busy");
  ::EmptyClipboard();
  if (::SetClipboardData(CF_UNICODETEXT, block.Get())) block.Detach();
  ::CloseClipboard();
}

std::wstring ReadUserString(const std::wstring& key, const wchar_t* value, bool* exists) {
  if (exists) *exists = false;
  CRegKey k;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.Put()) != ERROR_SUCCESS) return {};
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(k.Get(), value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) return {};
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (::RegQueryValueExW(k.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
    return {};
  // Stored with its terminator: one NUL is dropped, anything else stays visible to the test.
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  if (exists) *exists = true;
  return text;
}

bool UserKeyExists(const std::wstring& key) {
  CRegKey k;
  return ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS;
}
