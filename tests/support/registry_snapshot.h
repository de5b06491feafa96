#pragma once
// Puts a registry key back as it was: everything below it is copied when the object is made and
// written back, after whatever the test did there is removed, when it goes.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

class CRegistrySnapshot {
public:
  CRegistrySnapshot(HKEY root, std::wstring path);
  CRegistrySnapshot(const CRegistrySnapshot&) = delete;
  CRegistrySnapshot& operator=(const CRegistrySnapshot&) = delete;
  ~CRegistrySnapshot();

  struct CKeyCopy;

private:
  HKEY root_;
  std::wstring path_;
  std::unique_ptr<CKeyCopy> copy_;  // null when the key did not exist
};

// Small registry readers for the tests.
bool RegistryKeyExists(HKEY root, const std::wstring& path);
// The string value, or nothing when the key or the value is absent.
std::optional<std::wstring> RegistryString(HKEY root, const std::wstring& path, const wchar_t* name);
void SetRegistryString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value,
                       DWORD type = REG_SZ);
void DeleteRegistryValue(HKEY root, const std::wstring& path, const wchar_t* name);
