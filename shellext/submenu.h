#pragma once
// What both menus share once an item is selected: the entry's title, the submenu's entries and the
// dispatch of a chosen command. The classic handler and Windows 11's command tree differ only in
// how they hand these to Explorer.
#include <windows.h>

#include <optional>
#include <vector>

#include "app.h"
#include "command_context.h"
#include "menu_model.h"
#include "selection.h"
#include "settings.h"

constexpr const wchar_t* kSubmenuTitle = L"タブリノリネーム(&N)";

// Reads the settings afresh for this right-click, so saved changes apply without restarting
// Explorer. False when the file exists but cannot be read: no submenu then, since a date command
// would otherwise rename with a format the user never chose.
bool LoadRightClickSettings(CSettings& settings, const CApp& app);

// The configured list filtered by what applies to the selected item, labels filled in.
std::vector<MenuEntry> SubmenuEntries(const CSelection& selection, const CSettings& settings, const CApp& app);
// Command `number` as that submenu shows it; nothing where it hides it.
std::optional<MenuEntry> SubmenuEntry(int number, const CSelection& selection, const CSettings& settings,
                                      const CApp& app);

// How a command was chosen: the keys held, and the window that owns what the command shows (null:
// Explorer's own thread, see CCommandContext::Owner).
struct CInvocation {
  bool shiftDown = false;
  bool ctrlDown = false;
  HWND owner = nullptr;
};

// Runs command `number` (1 to 21) on the context: false when it fails, true for numbers without a
// command. The file-date commands take the item's times.
bool RunCommand(int number, CCommandContext& context, const SYSTEMTIME& creationTime, const SYSTEMTIME& lastWriteTime);
// The same for a selection, with the settings of this right-click and the keys as chosen. Only a
// command that the submenu offers for this very item runs: one it hides or greys does nothing and
// fails, whoever asks for it and whatever item the caller's menu was built for.
bool RunSelectedCommand(int number, const CSelection& selection, const CSettings& settings, const CApp& app,
                        const CInvocation& how);
