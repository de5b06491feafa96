#include "submenu.h"

#include <array>
#include <utility>

#include "catalogue.h"
#include "name_rules.h"

namespace {

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

}  // namespace

bool LoadRightClickSettings(CSettings& settings, const CApp& app) {
  settings.SetIniFilePath(app.GetIniFilePath());
  try {
    LoadSettingsChecked(settings, kRightClickSharingWaitMs);
    return true;
  } catch (const CAppError&) {
    return false;
  }
}

std::vector<MenuEntry> SubmenuEntries(const CSelection& selection, const CSettings& settings, const CApp& app) {
  CCommandContext context(app, settings, selection.item);
  return BuildMenuEntries(settings.contextMenuExtMenuItems,
                          CItemFacts(context, selection.creationTime, selection.lastWriteTime));
}

std::optional<MenuEntry> SubmenuEntry(int number, const CSelection& selection, const CSettings& settings,
                                      const CApp& app) {
  for (MenuEntry& entry : SubmenuEntries(selection, settings, app))
    if (entry.command == number) return std::move(entry);
  return std::nullopt;
}

bool RunCommand(int number, CCommandContext& context, const SYSTEMTIME& creationTime, const SYSTEMTIME& lastWriteTime) {
  if (!IsCommand(number)) return true;
  // A root has no name to change: every composed path would name another item. Not offered.
  if (context.IsRoot && IsRenamingCommand(number)) return false;
  return kCommandHandlers[number](context, CItemTimes{creationTime, lastWriteTime});
}

bool RunSelectedCommand(int number, const CSelection& selection, const CSettings& settings, const CApp& app,
                        const CInvocation& how) {
  if (IsCommand(number)) {
    std::optional<MenuEntry> offered = SubmenuEntry(number, selection, settings, app);
    if (!offered || offered->greyed) return false;
  }
  CCommandContext context(app, settings, selection.item);
  context.ShiftDown = how.shiftDown;
  context.CtrlDown = how.ctrlDown;
  context.Owner = how.owner;
  return RunCommand(number, context, selection.creationTime, selection.lastWriteTime);
}
