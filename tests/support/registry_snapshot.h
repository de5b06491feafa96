#pragma once
// Puts a registry key back as it was: everything below it is copied when the object is made and
// written back, after whatever the test did there is removed, when it goes.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// Another program takes every right on a key away while the object lives (an empty access list);
// the key's own list is put back when it goes.
class CDeniedKey {
public:
  CDeniedKey(HKEY root, const std::wstring& path);
  CDeniedKey(const CDeniedKey&) = delete;
  CDeniedKey& operator=(const CDeniedKey&) = delete;
  ~CDeniedKey();
  // False when the key could not be opened or its list not replaced.
  bool Denied() const { return descriptor_ != nullptr; }

private:
  HKEY key_ = nullptr;
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;  // the original list lives inside it
  PACL dacl_ = nullptr;
};

// The keys under HKEY_CURRENT_USER the tests write: the extension's class and handler keys, and the
// help control's and the annotation service's classes (on Windows the tests register their stand-ins
// for the user).
std::vector<std::wstring> TestedUserKeys();

// Small registry readers for the tests.
bool RegistryKeyExists(HKEY root, const std::wstring& path);
// The string value, or nothing when the key or the value is absent.
std::optional<std::wstring> RegistryString(HKEY root, const std::wstring& path, const wchar_t* name);
void SetRegistryString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value,
                       DWORD type = REG_SZ);
void DeleteRegistryValue(HKEY root, const std::wstring& path, const wchar_t* name);
