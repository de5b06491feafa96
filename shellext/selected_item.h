#pragma once
// Splitting the selected item's path into the name parts the commands work on.
#include <string>
#include <string_view>

#include "command_context.h"

// The pure split of a path as Explorer hands it over; `isFolder` says whether it names a directory.
// Touches no file system, so every case can be checked anywhere.
CSelectedItem SplitSelectedPath(std::wstring_view rawPath, bool isFolder);

// `rawPath` without one trailing backslash; a drive root ("C:\") keeps its own.
std::wstring RemoveTrailingBackslash(std::wstring_view rawPath);

// Whether the handler may act on a path as Explorer hands it over: a full path that Windows
// resolves to exactly the item named (see IsExactFullPath).
bool IsSelectablePath(std::wstring_view rawPath);

// The split of a selected path, asking the file system whether it is a folder.
CSelectedItem ReadSelectedItem(std::wstring_view rawPath);
