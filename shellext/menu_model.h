#pragma once
// What the submenu shows for one item: the configured list filtered by what applies to the item,
// with labels filled in and separators collapsed. No window system here; the menu handles come later.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Answers about the selected item, asked only for the commands the list holds.
class IMenuFacts {
public:
  virtual ~IMenuFacts() = default;
  virtual bool IsFolder() const = 0;
  virtual bool IsRoot() const = 0;  // a drive or share root: no renaming command applies
  // False when the command would leave a name Windows does not take as written (empty, a trailing
  // period or blank, a device name).
  virtual bool GivesUsableName(int command) const = 0;
  virtual bool HasExtension() const = 0;
  virtual bool HasShortcutSuffix() const = 0;
  virtual bool HasCopyPrefix() const = 0;
  virtual std::optional<std::wstring> NumericHead() const = 0;
  virtual std::optional<std::wstring> NumericTail() const = 0;
  virtual bool IsNameDisabled() const = 0;
  virtual bool IsExtensionDisabled() const = 0;
  virtual std::wstring CreationDateLabel() const = 0;   // "2014年03月05日"
  virtual std::wstring LastWriteDateLabel() const = 0;
};

struct MenuEntry {
  int command;  // 0: separator
  std::wstring label;
  bool greyed;
};

std::vector<MenuEntry> BuildMenuEntries(std::wstring_view menuList, const IMenuFacts& facts);
