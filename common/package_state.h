#pragma once
// Whether Windows 11's own menu carries our package for this user, asked of Windows itself. The
// classic handler stands back only where the package serves this very folder and Windows has
// shown its command tree for the kind of item right-clicked; the configuration program registers
// the package only where such a menu exists.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "item_kind.h"

// The build Windows really runs: RtlGetVersion, since GetVersionEx answers what the manifest claims.
DWORD RealWindowsBuild();

// Windows 11 (build 22000) shows only packaged command handlers in the menu a right-click opens.
constexpr DWORD kFirstTopLevelMenuBuild = 22000;
constexpr bool HasTopLevelMenu(DWORD build) { return build >= kFirstTopLevelMenuBuild; }

// The full names Windows reports for our package family in this user's account: only packages of
// our publisher, never a same-named one signed by someone else. Empty where the system has no
// package functions.
std::vector<std::wstring> RegisteredPackageFullNames();

// The folder our package is registered for in this user's account (its external location), or
// nothing when it is not registered or the system has no package functions (Windows 10 before
// 2004, Wine).
std::optional<std::wstring> RegisteredPackageFolder();

// `folder` in its long, final form: short names expanded, letters as the file system keeps them,
// junctions and links followed, no "\\?\" and no trailing backslash. The text as it is when the
// folder cannot be opened. Each folder is resolved once per process.
std::wstring FinalFolderForm(const std::wstring& folder);
// Two spellings of one folder: equal as text, or equal in their final forms.
bool SameFolder(const std::wstring& a, const std::wstring& b);

// The package is registered for `folder` on a build whose menu shows it.
bool TopLevelMenuServes(const std::wstring& folder, DWORD build, const std::optional<std::wstring>& registeredFolder);

// What the command tree leaves for the classic handler: for each kind of item Windows 11's menu
// has asked the tree about, the folder of the library that answered. Values of the classic class
// key: the classic unregistration removes them with it, and a new registration of the package
// forgets them.
//
// Recorded the first time this process is asked about `kind`; later calls touch no registry. Only
// while the classic class key exists: without a classic handler there is nobody to stand back.
void RecordTopLevelMenuAsked(CItemKind kind, const std::wstring& folder);
// Whether this process has recorded `kind` already (nothing is read).
bool TopLevelMenuAskRecorded(CItemKind kind);
// The folder recorded for `kind`; nothing when the tree has not been asked about it. Asked at
// every right-click on Windows 11: the class key stays open for the next one.
std::optional<std::wstring> TopLevelMenuAskedIn(CItemKind kind);
// Closes the class key kept open for reading the record: the library is about to be unloaded.
void CloseTopLevelMenuRecord();
// Forgets every kind: the package was registered anew.
void ForgetTopLevelMenuRecord();

// The classic handler adds nothing for an item of this kind: the package serves `folder` on this
// build, and the command tree of this very folder has been asked about this kind of item, so
// Windows' own menu shows our entry for it. Before that, and for every kind Windows never asks
// about, the classic submenu stays: a second entry in the extended menu rather than none at all.
// The first form is the rule, the second asks Windows and the record.
bool ClassicMenuStandsBack(const std::wstring& folder, DWORD build, const std::optional<std::wstring>& registeredFolder,
                           const std::optional<std::wstring>& askedIn);
bool ClassicMenuStandsBack(const std::wstring& folder, CItemKind kind);
