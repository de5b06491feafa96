// The submenu Explorer shows for the item, and the verbs and help texts it asks for.
#include <cstring>

#include "catalogue.h"
#include "context_menu_extension.h"
#include "errors.h"
#include "handles.h"
#include "item_kind.h"
#include "menu_model.h"
#include "package_state.h"

namespace {

// CMF_INCLUDESTATIC: the SDK headers hide it for the Windows version we target.
constexpr UINT kIncludeStatic = 0x40;
constexpr UINT kExcludingFlags = CMF_DEFAULTONLY | CMF_VERBSONLY | CMF_NOVERBS | CMF_NODEFAULT | kIncludeStatic;

// Copies `text` with its terminator into a buffer of `capacity` units, never past it; a text that
// does not fit is cut, terminated, and reported as such.
template <typename Char>
HRESULT CopyToCallerBuffer(const std::basic_string<Char>& text, Char* buffer, UINT capacity) {
  if (!buffer || capacity == 0) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  std::size_t n = text.size() < capacity ? text.size() : capacity - 1;
  std::memcpy(buffer, text.data(), n * sizeof(Char));
  buffer[n] = Char(0);
  return n == text.size() ? S_OK : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace

HRESULT CContextMenuExtention::QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                                UINT flags) {
  return ComGuard([&]() -> HRESULT {
    if (flags & kExcludingFlags) return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    // Identifiers past idCmdLast belong to the host: choosing our item would run its command.
    if (idCmdLast < idCmdFirst || idCmdLast - idCmdFirst < static_cast<UINT>(kLastCommand))
      return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    if (!selection_) return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    // Windows 11's own menu shows our package's entry for this kind of item, and that entry also
    // appears in the extended menu: one entry per menu.
    if (ClassicMenuStandsBack(app_.ModuleFolder(), ItemKindOf(selection_->item.FullPath, selection_->item.IsFolder)))
      return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    std::vector<MenuEntry> entries = SubmenuEntries(*selection_, settings_, app_);

    CMenu popup(::CreatePopupMenu());
    if (!popup) return E_FAIL;
    UINT position = 0;
    for (const MenuEntry& e : entries) {
      UINT itemFlags = MF_BYPOSITION | (e.command == CmdSeparator ? MF_SEPARATOR : MF_STRING);
      if (e.greyed) itemFlags |= MF_GRAYED | MF_DISABLED;
      if (!::InsertMenuW(popup.Get(), position++, itemFlags, e.command == CmdSeparator ? 0 : idCmdFirst + e.command,
                         e.command == CmdSeparator ? nullptr : e.label.c_str()))
        return E_FAIL;
    }
    if (!::InsertMenuW(menu, indexMenu, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr)) return E_FAIL;
    if (!::InsertMenuW(menu, indexMenu + 1, MF_BYPOSITION | MF_POPUP | MF_STRING,
                       reinterpret_cast<UINT_PTR>(popup.Get()), kSubmenuTitle)) {
      ::DeleteMenu(menu, indexMenu, MF_BYPOSITION);
      return E_FAIL;
    }
    popup.Detach();  // Explorer's menu owns it now
    ::InsertMenuW(menu, indexMenu + 2, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, kCommandSlots);
  });
}

HRESULT CContextMenuExtention::GetCommandString(UINT_PTR idCmd, UINT type, UINT*, CHAR* name, UINT size) {
  return ComGuard([&]() -> HRESULT {
    const bool known = idCmd >= 1 && idCmd <= static_cast<UINT_PTR>(kLastCommand);
    const int command = static_cast<int>(idCmd);
    switch (type) {
      case GCS_VERBA:
        if (!known) return E_INVALIDARG;
        return CopyToCallerBuffer(ToThreadAnsi(FromUtf8(CommandVerb(command))), name, size);
      case GCS_VERBW:
        if (!known) return E_INVALIDARG;
        return CopyToCallerBuffer(FromUtf8(CommandVerb(command)), reinterpret_cast<wchar_t*>(name), size);
      case GCS_HELPTEXTW:
        if (!known) return E_INVALIDARG;
        return CopyToCallerBuffer(CommandHelpText(command, selection_ && selection_->item.IsFolder),
                                  reinterpret_cast<wchar_t*>(name), size);
      case GCS_VALIDATEW:
        return idCmd > static_cast<UINT_PTR>(kLastCommand) ? S_FALSE : S_OK;
      default:
        return S_OK;
    }
  });
}
