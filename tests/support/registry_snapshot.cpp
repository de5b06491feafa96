#include "registry_snapshot.h"

#include <aclapi.h>

#include <vector>

#include "handles.h"

struct CRegistrySnapshot::CKeyCopy {
  struct CValue {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
  };
  std::vector<CValue> values;
  std::vector<std::pair<std::wstring, std::unique_ptr<CKeyCopy>>> children;
};

namespace {

std::unique_ptr<CRegistrySnapshot::CKeyCopy> Copy(HKEY key) {
  auto copy = std::make_unique<CRegistrySnapshot::CKeyCopy>();
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = ARRAYSIZE(name);
    DWORD type = 0;
    DWORD size = 0;
    if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    CRegistrySnapshot::CKeyCopy::CValue value{std::wstring(name, nameLength), type, std::vector<BYTE>(size)};
    nameLength = ARRAYSIZE(name);
    ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, value.data.data(), &size);
    value.data.resize(size);
    copy->values.push_back(std::move(value));
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = ARRAYSIZE(name);
    if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    CRegKey child;
    if (::RegOpenKeyExW(key, name, 0, KEY_READ, child.Put()) == ERROR_SUCCESS)
      copy->children.emplace_back(std::wstring(name, nameLength), Copy(child.Get()));
  }
  return copy;
}

void Write(HKEY key, const CRegistrySnapshot::CKeyCopy& copy) {
  for (const auto& value : copy.values)
    ::RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
  for (const auto& [name, child] : copy.children) {
    CRegKey sub;
    if (::RegCreateKeyExW(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.Put(), nullptr) ==
        ERROR_SUCCESS)
      Write(sub.Get(), *child);
  }
}

}  // namespace

CRegistrySnapshot::CRegistrySnapshot(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
  CRegKey key;
  if (::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS) copy_ = Copy(key.Get());
}

CRegistrySnapshot::~CRegistrySnapshot() {
  ::RegDeleteTreeW(root_, path_.c_str());
  ::RegDeleteKeyW(root_, path_.c_str());
  if (!copy_) return;
  CRegKey key;
  if (::RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) ==
      ERROR_SUCCESS)
    Write(key.Get(), *copy_);
}

CDeniedKey::CDeniedKey(HKEY root, const std::wstring& path) {
  if (::RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) {
    key_ = nullptr;
    return;
  }
  ACL empty;
  if (::GetSecurityInfo(key_, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl_, nullptr,
                        &descriptor_) != ERROR_SUCCESS ||
      !::InitializeAcl(&empty, sizeof empty, ACL_REVISION) ||
      ::SetSecurityInfo(key_, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &empty, nullptr) !=
          ERROR_SUCCESS) {
    ::LocalFree(descriptor_);
    descriptor_ = nullptr;
  }
}

CDeniedKey::~CDeniedKey() {
  if (descriptor_) {
    ::SetSecurityInfo(key_, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl_, nullptr);
    ::LocalFree(descriptor_);
  }
  if (key_) ::RegCloseKey(key_);
}

std::vector<std::wstring> TestedUserKeys() {
  std::vector<std::wstring> keys = {L"Software\\Classes\\CLSID\\{7C2D5A91-3E48-4F06-B1A7-5D9E24C8F013}",
                                    L"Software\\Classes\\CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}",
                                    L"Software\\Classes\\CLSID\\{B5F8350B-0548-48B1-A6EE-88BD00B4A5E7}"};
  for (const wchar_t* type : {L"*", L"Folder", L"lnkfile", L"piffile", L"InternetShortcut"})
    keys.push_back(std::wstring(L"Software\\Classes\\") + type + L"\\shellex\\ContextMenuHandlers\\TavrinoRename");
  return keys;
}

bool RegistryKeyExists(HKEY root, const std::wstring& path) {
  CRegKey key;
  return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

std::optional<std::wstring> RegistryString(HKEY root, const std::wstring& path, const wchar_t* name) {
  CRegKey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  ::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
  text.resize(size / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

void SetRegistryString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value,
                       DWORD type) {
  CRegKey key;
  if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) !=
      ERROR_SUCCESS)
    return;
  ::RegSetValueExW(key.Get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void DeleteRegistryValue(HKEY root, const std::wstring& path, const wchar_t* name) {
  CRegKey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, key.Put()) == ERROR_SUCCESS)
    ::RegDeleteValueW(key.Get(), name);
}
