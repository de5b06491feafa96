#pragma once
// The kinds of item the classic handler is registered for one by one: every file, folders (drive
// roots among them), and the shortcut types the shell does not count among every file. Windows
// 11's menu may show our package's entry for some kinds and not for others.
#include <cstddef>
#include <string_view>

enum class CItemKind { File, Folder, Root, Shortcut, PifShortcut, InternetShortcut };
constexpr std::size_t kItemKinds = 6;

// `path` as the selection rule accepted it; `isFolder` whether it names a directory. A drive or
// share root is a root whatever the file system says; a shortcut is known by its extension.
CItemKind ItemKindOf(std::wstring_view path, bool isFolder);
