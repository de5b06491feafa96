#include "explorer_command.h"

#include <shlwapi.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "catalogue.h"
#include "handles.h"
#include "item_kind.h"
#include "module_state.h"
#include "package_state.h"
#include "resource_ids.h"
#include "selected_item.h"
#include "selection.h"
#include "settings.h"
#include "submenu.h"

namespace {

// A text for the shell, which frees it with CoTaskMemFree.
HRESULT ShellText(const std::wstring& text, LPWSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return ::SHStrDupW(text.c_str(), out);
}

HRESULT NoText(LPWSTR* out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

bool AsyncKeyDown(int key) { return (::GetAsyncKeyState(key) & 0x8000) != 0; }

// The settings one enumeration read, kept by the commands it made.
using CSharedSettings = std::shared_ptr<const CSettings>;

// One entry of the submenu: a command, or a separator that Windows may draw or leave out.
class CExplorerCommandItem final : public CComObject<IExplorerCommand> {
public:
  CExplorerCommandItem(const CApp& app, CSharedSettings settings, MenuEntry entry, std::wstring builtFor,
                       bool isFolder)
      : app_(app), settings_(std::move(settings)), entry_(std::move(entry)), builtFor_(std::move(builtFor)),
        isFolder_(isFolder) {}

  HRESULT STDMETHODCALLTYPE GetTitle(IShellItemArray*, LPWSTR* name) override {
    return ComGuard([&] { return IsSeparator() ? NoText(name) : ShellText(entry_.label, name); });
  }
  HRESULT STDMETHODCALLTYPE GetIcon(IShellItemArray*, LPWSTR* icon) override { return NoText(icon); }
  HRESULT STDMETHODCALLTYPE GetToolTip(IShellItemArray*, LPWSTR* tip) override {
    return ComGuard(
        [&] { return IsSeparator() ? NoText(tip) : ShellText(CommandHelpText(entry_.command, isFolder_), tip); });
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalName(GUID* name) override {
    if (name) *name = GUID_NULL;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* state) override {
    if (!state) return E_POINTER;
    *state = ECS_HIDDEN;
    return ComGuard([&] {
      *state = StateFor(items);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE Invoke(IShellItemArray* items, IBindCtx*) override {
    return ComGuard([&] { return Run(items); });
  }
  HRESULT STDMETHODCALLTYPE GetFlags(EXPCMDFLAGS* flags) override {
    if (!flags) return E_POINTER;
    *flags = IsSeparator() ? ECF_ISSEPARATOR : ECF_DEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumSubCommands(IEnumExplorerCommand** commands) override {
    if (commands) *commands = nullptr;
    return E_NOTIMPL;
  }

private:
  bool IsSeparator() const { return entry_.command == CmdSeparator; }

  static EXPCMDSTATE StateOf(const std::optional<MenuEntry>& entry) {
    if (!entry) return ECS_HIDDEN;
    return entry->greyed ? ECS_DISABLED : ECS_ENABLED;
  }

  // The state for the items of this call, by the rule of the menu. The item the submenu was built
  // for has its answer already; without items there is no other item to answer for.
  EXPCMDSTATE StateFor(IShellItemArray* items) const {
    if (IsSeparator() || !items) return StateOf(entry_);
    std::optional<std::wstring> path = AcceptedPathOf(items);
    if (!path) return ECS_HIDDEN;
    if (*path == builtFor_) return StateOf(entry_);
    std::optional<CSelection> selection = ReadSelection(*path);
    if (!selection) return ECS_HIDDEN;
    return StateOf(SubmenuEntry(entry_.command, *selection, *settings_, app_));
  }

  HRESULT Run(IShellItemArray* items) const {
    // No input message chose the command where Windows 11 runs it: the keys as they are now, and
    // Explorer's window, which is in front, owns what the command shows.
    const CInvocation how{AsyncKeyDown(VK_SHIFT), AsyncKeyDown(VK_CONTROL), ::GetForegroundWindow()};
    // The item handed over with this call, checked again by the same rule: never an earlier one.
    std::optional<std::wstring> path = AcceptedPathOf(items);
    std::optional<CSelection> selection = path ? ReadSelection(*path) : std::nullopt;
    if (!selection) return E_FAIL;
    return RunSelectedCommand(entry_.command, *selection, *settings_, app_, how) ? S_OK : E_FAIL;
  }

  const CApp& app_;
  CSharedSettings settings_;
  MenuEntry entry_;
  std::wstring builtFor_;
  bool isFolder_;
};

using CCommandList = std::vector<CComPtr<IExplorerCommand>>;

class CExplorerCommandEnum final : public CComObject<IEnumExplorerCommand> {
public:
  explicit CExplorerCommandEnum(CCommandList commands, std::size_t next = 0)
      : commands_(std::move(commands)), next_(next) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, IExplorerCommand** out, ULONG* fetched) override {
    // Without a place for the number fetched, only one at a time.
    if (!out || (!fetched && count != 1)) return E_POINTER;
    CExclusiveLock lock(lock_);
    ULONG n = 0;
    for (; n < count && next_ < commands_.size(); ++n, ++next_) {
      out[n] = commands_[next_].Get();
      out[n]->AddRef();
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    CExclusiveLock lock(lock_);
    const std::size_t skipped = std::min<std::size_t>(count, commands_.size() - next_);
    next_ += skipped;
    return skipped == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    CExclusiveLock lock(lock_);
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumExplorerCommand** copy) override {
    return ComGuard([&] {
      std::size_t next;
      {
        CExclusiveLock lock(lock_);
        next = next_;
      }
      return CreateComObject<CExplorerCommandEnum>(__uuidof(IEnumExplorerCommand), reinterpret_cast<void**>(copy),
                                                   commands_, next);
    });
  }

private:
  const CCommandList commands_;
  SRWLOCK lock_ = SRWLOCK_INIT;  // the position is shared by everyone who holds the enumerator
  std::size_t next_;
};

// Windows' own menu asked about this kind of item here, so the classic handler may leave it to us
// from now on. The first question of each kind writes the record; after that nothing is asked of
// the registry, and the file system only while the name alone cannot tell a folder from a file of
// a kind not yet recorded. The folder test is the classic handler's own: a zip archive is a file.
void RecordKindAsked(const std::wstring& rawPath, const CApp& app) {
  const std::wstring path = RemoveTrailingBackslash(rawPath);
  const CItemKind byName = ItemKindOf(path, false);
  const bool nameTells = byName == CItemKind::Root;
  if (TopLevelMenuAskRecorded(byName) && (nameTells || TopLevelMenuAskRecorded(CItemKind::Folder))) return;
  const CItemKind kind = nameTells ? byName : ItemKindOf(path, ::PathIsDirectoryW(path.c_str()) != FALSE);
  RecordTopLevelMenuAsked(kind, FinalFolderForm(app.ModuleFolder()));
}

}  // namespace

HRESULT CExplorerCommandRoot::GetTitle(IShellItemArray*, LPWSTR* name) {
  return ComGuard([&] { return ShellText(kSubmenuTitle, name); });
}

HRESULT CExplorerCommandRoot::GetIcon(IShellItemArray*, LPWSTR* icon) {
  // The icon the library carries: its path and the resource number as "path,-id".
  return ComGuard([&] {
    return ShellText(ModuleFileName(ModuleHandle()) + L",-" + std::to_wstring(IDI_TAVRINO_SHELLEXT), icon);
  });
}

HRESULT CExplorerCommandRoot::GetToolTip(IShellItemArray*, LPWSTR* tip) { return NoText(tip); }

HRESULT CExplorerCommandRoot::GetCanonicalName(GUID* name) {
  if (name) *name = GUID_NULL;
  return E_NOTIMPL;
}

HRESULT CExplorerCommandRoot::GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* state) {
  if (!state) return E_POINTER;
  *state = ECS_HIDDEN;
  // Asked at every right-click before the user shows any interest: the count, one name and the
  // path rule, and no file opened (the first question about a kind of item is also recorded for
  // the classic handler). The rest is read when the submenu is wanted.
  return ComGuard([&] {
    std::optional<std::wstring> path = AcceptedPathOf(items);
    std::wstring accepted = path.value_or(std::wstring());
    {
      CExclusiveLock lock(lock_);
      path_.swap(accepted);
    }
    if (!path) return S_OK;
    RecordKindAsked(*path, app_);
    *state = ECS_ENABLED;
    return S_OK;
  });
}

HRESULT CExplorerCommandRoot::Invoke(IShellItemArray*, IBindCtx*) {
  return E_NOTIMPL;  // the entry only opens its submenu
}

HRESULT CExplorerCommandRoot::GetFlags(EXPCMDFLAGS* flags) {
  if (!flags) return E_POINTER;
  *flags = ECF_HASSUBCOMMANDS;
  return S_OK;
}

HRESULT CExplorerCommandRoot::EnumSubCommands(IEnumExplorerCommand** commands) {
  return ComGuard([&] { return Enumerate(commands); });
}

HRESULT CExplorerCommandRoot::Enumerate(IEnumExplorerCommand** commands) const {
  if (!commands) return E_POINTER;
  *commands = nullptr;
  // The submenu of exactly one selection, the one the last GetState accepted: its path is copied
  // whole under the lock, and everything below is built from that copy alone.
  std::wstring path;
  {
    CExclusiveLock lock(lock_);
    path = path_;
  }
  // As the classic Initialize: an item that cannot be opened or read gets no submenu, and the
  // settings are read afresh for this right-click.
  std::optional<CSelection> selection = path.empty() ? std::nullopt : ReadSelection(path);
  if (!selection) return E_FAIL;
  auto settings = std::make_shared<CSettings>();
  if (!LoadRightClickSettings(*settings, app_)) return E_FAIL;
  CCommandList children;
  for (MenuEntry& entry : SubmenuEntries(*selection, *settings, app_)) {
    CComPtr<IExplorerCommand> child;
    HRESULT result = CreateComObject<CExplorerCommandItem>(__uuidof(IExplorerCommand), child.PutVoid(), app_,
                                                           CSharedSettings(settings), std::move(entry), path,
                                                           selection->item.IsFolder);
    if (FAILED(result)) return result;
    children.push_back(std::move(child));
  }
  return CreateComObject<CExplorerCommandEnum>(__uuidof(IEnumExplorerCommand), reinterpret_cast<void**>(commands),
                                               std::move(children));
}
