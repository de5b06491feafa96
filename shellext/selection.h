#pragma once
// The one rule both menus apply to what Explorer selected: exactly one item, named by a full path
// that Windows takes as written, that can be opened with read sharing and whose times can be read.
#include <windows.h>
#include <shobjidl.h>

#include <optional>
#include <string>
#include <string_view>

#include "command_context.h"

// The selected item with its creation and last-write times in local time.
struct CSelection {
  CSelectedItem item;
  SYSTEMTIME creationTime = {};
  SYSTEMTIME lastWriteTime = {};
};

// The part of the rule that touches no file: a path that fits the classic buffers whole (a cut one
// would name another item) and that Windows resolves to exactly the item named.
bool AcceptsSelectedPath(std::wstring_view rawPath);

// The item behind an accepted path: opened for reading with read sharing only (an item another
// program is writing is left alone) and its times read. Nothing when any step fails.
std::optional<CSelection> ReadSelection(std::wstring_view rawPath);

// The path of the only item of `items` when it is accepted: nothing for no item, several items or
// an item outside the file system. Cheap enough for every right-click: no file is opened.
std::optional<std::wstring> AcceptedPathOf(IShellItemArray* items);
