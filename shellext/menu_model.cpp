#include "menu_model.h"

#include "catalogue.h"
#include "int_list.h"
#include "text.h"

namespace {

struct Decision {
  Decision(bool shown, bool greyed = false, std::wstring fill = {}) : shown(shown), greyed(greyed), fill(std::move(fill)) {}
  bool shown;
  bool greyed;
  std::wstring fill;  // the "%s" of labels 9, 10 and 18 to 21
};

Decision DecideByName(int command, const IMenuFacts& f) {
  switch (command) {
    case CmdCopyFileBaseName:
    case CmdInsertStringInExtensionEnd:
      return {!f.IsFolder(), !f.HasExtension()};
    case CmdRemoveShortcutString:
      return {f.HasShortcutSuffix()};
    case CmdRemoveCopyString:
      return {f.HasCopyPrefix()};
    case CmdRemoveNumericFromFileNameHead: {
      auto digits = f.NumericHead();
      return {digits.has_value(), false, digits.value_or(L"")};
    }
    case CmdRemoveNumericFromFileNameEnd: {
      auto digits = f.NumericTail();
      return {digits.has_value(), false, digits.value_or(L"")};
    }
    case CmdRemoveStringFromFileNameHead:
      return {f.IsNameDisabled()};
    case CmdRemoveStringFromExtensionEnd:
      return {!f.IsFolder() && f.IsExtensionDisabled()};
    case CmdInsertFileCreationDateTimeInHead:
    case CmdInsertFileCreationDateTimeInEnd:
      return {true, false, f.CreationDateLabel()};
    case CmdInsertFileLastWriteDateTimeInHead:
    case CmdInsertFileLastWriteDateTimeInEnd:
      return {true, false, f.LastWriteDateLabel()};
    default:
      return {true};
  }
}

Decision Decide(int command, const IMenuFacts& f) {
  if (IsRenamingCommand(command) && f.IsRoot()) return {false};
  Decision d = DecideByName(command, f);
  // Asked last, and only of a command about to be shown: it runs the command's rule once more.
  if (d.shown && IsRenamingCommand(command) && !f.GivesUsableName(command)) d.shown = false;
  return d;
}

}  // namespace

std::vector<MenuEntry> BuildMenuEntries(std::wstring_view menuList, const IMenuFacts& facts) {
  std::vector<MenuEntry> entries;
  int last = CmdSeparator;  // nothing yet, or a separator last: no separator may follow
  for (long number : ParseIntList(menuList)) {
    // Numbers without a catalogue row are skipped, like the separators around them would be.
    if (!IsCatalogueIndex(number)) continue;
    int command = static_cast<int>(number);
    if (command == CmdSeparator) {
      if (last != CmdSeparator) entries.push_back({CmdSeparator, L"", false});
      last = CmdSeparator;
      continue;
    }
    Decision d = Decide(command, facts);
    if (!d.shown) continue;
    std::wstring label = CommandLabel(command);
    label = FillPlaceholder(label, d.fill);
    entries.push_back({command, ApplyFolderWording(label, facts.IsFolder()), d.greyed});
    last = command;
  }
  return entries;
}
