// The submenu Explorer shows for the item, and the verbs and help texts it asks for.
#include <cstring>

#include "catalogue.h"
#include "context_menu_extension.h"
#include "errors.h"
#include "handles.h"
#include "menu_model.h"
#include "name_rules.h"

namespace {

// CMF_INCLUDESTATIC: the SDK headers hide it for the Windows version we target.
constexpr UINT kIncludeStatic = 0x40;
constexpr UINT kExcludingFlags = CMF_DEFAULTONLY | CMF_VERBSONLY | CMF_NOVERBS | CMF_NODEFAULT | kIncludeStatic;

// The menu's questions, answered from the command context and the item's times.
class CItemFacts final : public IMenuFacts {
public:
  CItemFacts(const CCommandContext& context, const SYSTEMTIME& created, const SYSTEMTIME& written)
      : c_(context), created_(created), written_(written) {}
  bool IsFolder() const override { return c_.IsFolder; }
  bool IsRoot() const override { return c_.IsRoot; }
  bool GivesUsableName(int command) const override { return c_.GivesUsableName(command); }
  bool HasExtension() const override { return c_.HasExtension(); }
  bool HasShortcutSuffix() const override { return c_.HasShortcutSuffix(); }
  bool HasCopyPrefix() const override { return c_.HasCopyPrefix(); }
  std::optional<std::wstring> NumericHead() const override {
    std::wstring digits;
    return c_.GetNumericHead(digits) ? std::optional(digits) : std::nullopt;
  }
  std::optional<std::wstring> NumericTail() const override {
    std::wstring digits;
    return c_.GetNumericTail(digits) ? std::optional(digits) : std::nullopt;
  }
  bool IsNameDisabled() const override { return c_.IsNameDisabled(); }
  bool IsExtensionDisabled() const override { return c_.IsExtensionDisabled(); }
  std::wstring CreationDateLabel() const override { return LabelDate(created_.wYear, created_.wMonth, created_.wDay); }
  std::wstring LastWriteDateLabel() const override { return LabelDate(written_.wYear, written_.wMonth, written_.wDay); }

private:
  const CCommandContext& c_;
  SYSTEMTIME created_;
  SYSTEMTIME written_;
};

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
    CCommandContext context = NewContext();
    CItemFacts facts(context, creationTime_, lastWriteTime_);
    std::vector<MenuEntry> entries = BuildMenuEntries(settings_.contextMenuExtMenuItems, facts);

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
                       reinterpret_cast<UINT_PTR>(popup.Get()), L"タブリノリネーム(&N)")) {
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
        return CopyToCallerBuffer(CommandHelpText(command, item_.IsFolder), reinterpret_cast<wchar_t*>(name), size);
      case GCS_VALIDATEW:
        return idCmd > static_cast<UINT_PTR>(kLastCommand) ? S_FALSE : S_OK;
      default:
        return S_OK;
    }
  });
}
