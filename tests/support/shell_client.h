#pragma once
// Plays Explorer against an installed copy of the shell extension: registers it, finds the server
// again through the registry as COM does on Windows, and drives the handler only through the
// library's exports and the COM interfaces.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>
#include <string>
#include <vector>

#include "handles.h"
#include "settings.h"
#include "test_support.h"

// The controller as a client sees it: three slots, no reference counting.
struct IClientShellExtController {
  virtual bool Register() = 0;
  virtual bool Unregister() = 0;
  virtual bool IsRegistered() = 0;
};

constexpr const wchar_t* kHandlerClsidText = L"{7C2D5A91-3E48-4F06-B1A7-5D9E24C8F013}";
CLSID HandlerClsid();
std::wstring HandlerClassKey();  // Software\Classes\CLSID\{...}

// COM for the calling thread, as Explorer's apartment threads have it.
class CComApartment {
public:
  CComApartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  CComApartment(const CComApartment&) = delete;
  CComApartment& operator=(const CComApartment&) = delete;
  ~CComApartment() { ::CoUninitialize(); }
};

class CShellClient {
public:
  // Loads <installFolder>\tavrino_shellext.dll as the configuration program would.
  explicit CShellClient(const std::wstring& installFolder);
  CShellClient(const CShellClient&) = delete;
  CShellClient& operator=(const CShellClient&) = delete;
  // Unloads the library (every object it handed out must be released by then).
  ~CShellClient();

  IClientShellExtController* Controller() const;
  // Registers, then loads the server that HKCU's InprocServer32 names.
  void RegisterAndConnect();
  const std::wstring& ServerPath() const { return serverPath_; }

  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) const;
  HRESULT CanUnloadNow() const;
  CComPtr<IClassFactory> Factory() const;
  // A new handler, as Explorer creates one per right-click.
  CComPtr<IShellExtInit> CreateHandler() const;
  // The root of the command tree, as Windows 11's menu creates it from the package's class.
  CComPtr<IExplorerCommand> CreateExplorerCommand() const;

private:
  CModule library_;
  CModule server_;
  std::wstring serverPath_;
};

// The library copied into a folder of its own, registered for the user and connected as Explorer
// finds it; unregistered and unloaded when the object goes.
class CInstalledLibrary {
public:
  explicit CInstalledLibrary(const std::wstring& hint);
  CInstalledLibrary(const CInstalledLibrary&) = delete;
  CInstalledLibrary& operator=(const CInstalledLibrary&) = delete;
  ~CInstalledLibrary();
  const CTempDir& Folder() const { return install_; }
  CShellClient& Client() const { return *client_; }
  // Unloads the library, as a process that ends or a DllCanUnloadNow does, and loads and
  // registers it again; the old client is gone.
  void Restart();

private:
  CComApartment com_;
  CTempDir install_;
  std::unique_ptr<CShellClient> client_;
};

// One right-click as Explorer makes it on the classic handler: a new handler, Initialize,
// QueryContextMenu into a menu that is destroyed again. True when our three items were added.
bool ClassicRightClick(IClassFactory* factory, IDataObject* selection);

// The shell's own data object for items of one folder (what Explorer hands to Initialize).
CComPtr<IDataObject> ShellDataObject(const std::vector<std::wstring>& paths);

// A data object offering only CF_HDROP with the given paths, for paths Wine's shell cannot parse.
CComPtr<IDataObject> HDropDataObject(const std::vector<std::wstring>& paths);

// The shell's own item array for items of one folder (what Windows 11's menu hands to commands).
CComPtr<IShellItemArray> ShellItems(const std::vector<std::wstring>& paths);
// An item array whose items give these paths as their file-system paths: for forms the shell never
// produces (relative, "\\?\", trailing period, too long), which the command tree must refuse.
CComPtr<IShellItemArray> StandInItems(const std::vector<std::wstring>& paths);

// The settings record of the library installed in `installFolder`, data folders made; the test
// edits it and saves it with SaveSettings.
CSettings LibrarySettings(const std::wstring& installFolder);

// A menu line as a user reads it; text "-" for a separator, id 0 where there is none.
struct MenuLine {
  std::wstring text;
  bool greyed;
  UINT id;
};
std::vector<MenuLine> ReadMenu(HMENU menu);
// "text|text(灰)|-|" for readable comparisons.
std::wstring MenuTexts(const std::vector<MenuLine>& lines);
// The children of a command-tree entry, in order; empty when it has none to give.
std::vector<CComPtr<IExplorerCommand>> SubCommands(IExplorerCommand* command);
// A child as Windows 11's menu shows it: its title (or "-" for a separator) and whether it is disabled.
MenuLine ReadCommand(IExplorerCommand* command);
std::wstring CommandToolTip(IExplorerCommand* command);

// Shift and Ctrl as GetKeyState sees them on this thread.
void SetModifierKeys(bool shift, bool ctrl);

// Shift and Ctrl pressed through the input system for as long as the object lives, as
// GetAsyncKeyState sees them.
class CHeldKeys {
public:
  CHeldKeys(bool shift, bool ctrl);
  CHeldKeys(const CHeldKeys&) = delete;
  CHeldKeys& operator=(const CHeldKeys&) = delete;
  ~CHeldKeys();

private:
  void Send(bool down);
  bool shift_, ctrl_;
};

std::wstring ReadClipboardText();
void WriteClipboardText(const std::wstring& text);

// A REG_SZ value under HKCU; `exists` false when the key or value is absent or not a string.
std::wstring ReadUserString(const std::wstring& key, const wchar_t* value, bool* exists = nullptr);
bool UserKeyExists(const std::wstring& key);
