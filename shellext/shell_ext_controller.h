#pragma once
// Registers the context-menu handler for the current user. A plain interface without reference
// counting: the library owns the one controller and keeps it while it is loaded.
#include <windows.h>

#include <string>

struct IShellExtController {
  virtual bool Register() = 0;
  virtual bool Unregister() = 0;
  virtual bool IsRegistered() = 0;
};

extern "C" IShellExtController* GetShellExtController();

// One row of the registration table. Root null: the root of the row before. Key null: a further
// value into the key already open. Key beginning with "\": a subkey of the previous row's key.
struct RegistrationEntry {
  HKEY Root;
  const wchar_t* Key;
  const wchar_t* ValueName;  // null: the key's default value
  const wchar_t* Data;
};

class CShellExtController final : public IShellExtController {
public:
  // Takes nothing that can fail: the library's path is asked for when it is needed.
  explicit CShellExtController(HMODULE module) noexcept;

  bool Register() override;
  bool Unregister() override;
  bool IsRegistered() override;

  // The table's placeholders filled: the class identifier, then the library's path.
  std::wstring FormatRegistryTemplate(const wchar_t* text) const;

private:
  bool RegisterRows();
  bool UnregisterRows();
  std::wstring LibraryPath() const;

  HMODULE module_;
  wchar_t clsidText_[39] = {};  // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
};
