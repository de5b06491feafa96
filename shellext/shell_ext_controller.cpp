#include "shell_ext_controller.h"

#include <objbase.h>

#include <array>
#include <stdexcept>

#include "app.h"
#include "class_factory.h"
#include "handles.h"
#include "module_state.h"
#include "text.h"

namespace {

constexpr const wchar_t* kClsidPlaceholder = L"{@CLSID_TavrinoContextMenuExtension}";
constexpr const wchar_t* kDllPathPlaceholder = L"{@DllPath}";

// Everything lies in the user's own hive: no administrator rights needed.
const std::array<RegistrationEntry, 8> kRegistration = {{
    {HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{@CLSID_TavrinoContextMenuExtension}", nullptr,
     L"タブリノリネーム　シェル拡張"},
    {nullptr, L"\\InprocServer32", nullptr, L"{@DllPath}"},
    {nullptr, nullptr, L"ThreadingModel", L"Apartment"},
    {HKEY_CURRENT_USER, L"Software\\Classes\\*\\shellex\\ContextMenuHandlers\\TavrinoRename", nullptr,
     L"{@CLSID_TavrinoContextMenuExtension}"},
    {HKEY_CURRENT_USER, L"Software\\Classes\\Folder\\shellex\\ContextMenuHandlers\\TavrinoRename", nullptr,
     L"{@CLSID_TavrinoContextMenuExtension}"},
    {HKEY_CURRENT_USER, L"Software\\Classes\\lnkfile\\shellex\\ContextMenuHandlers\\TavrinoRename", nullptr,
     L"{@CLSID_TavrinoContextMenuExtension}"},
    {HKEY_CURRENT_USER, L"Software\\Classes\\piffile\\shellex\\ContextMenuHandlers\\TavrinoRename", nullptr,
     L"{@CLSID_TavrinoContextMenuExtension}"},
    {HKEY_CURRENT_USER, L"Software\\Classes\\InternetShortcut\\shellex\\ContextMenuHandlers\\TavrinoRename", nullptr,
     L"{@CLSID_TavrinoContextMenuExtension}"},
}};

constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;  // 0x2001F

// Deletes a key with everything below it, depth first. ERROR_FILE_NOT_FOUND means that `name`
// itself is absent; a subkey that vanishes or cannot be opened on the way is a failure, so a
// key that keeps reappearing in the enumeration cannot loop forever.
LONG DeleteKeyTree(HKEY parent, const std::wstring& name) {
  CRegKey key;
  LONG result = ::RegOpenKeyExW(parent, name.c_str(), 0, kReadWrite, key.Put());
  if (result != ERROR_SUCCESS) return result;
  for (;;) {
    wchar_t child[256];  // registry key names have at most 255 units
    DWORD length = ARRAYSIZE(child);
    result = ::RegEnumKeyExW(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) return result;
    result = DeleteKeyTree(key.Get(), child);
    if (result == ERROR_FILE_NOT_FOUND) return ERROR_CANTOPEN;
    if (result != ERROR_SUCCESS) return result;
  }
  key.Reset();
  return ::RegDeleteKeyW(parent, name.c_str());
}

}  // namespace

CShellExtController::CShellExtController(HMODULE module) noexcept : module_(module) {
  ::StringFromGUID2(CLSID_TavrinoContextMenuExtension, clsidText_, ARRAYSIZE(clsidText_));
}

std::wstring CShellExtController::LibraryPath() const {
  // The whole path: a cut one would register a file that does not exist.
  std::wstring path = ModuleFileName(module_);
  if (path.empty()) throw std::runtime_error("GetModuleFileNameW");
  return path;
}

std::wstring CShellExtController::FormatRegistryTemplate(const wchar_t* text) const {
  std::wstring out = ReplaceAll(text, kClsidPlaceholder, clsidText_);
  if (out.find(kDllPathPlaceholder) != std::wstring::npos) out = ReplaceAll(out, kDllPathPlaceholder, LibraryPath());
  return out;
}

bool CShellExtController::Register() {
  return BoolGuard([&] { return RegisterRows(); });
}

bool CShellExtController::Unregister() {
  return BoolGuard([&] { return UnregisterRows(); });
}

bool CShellExtController::IsRegistered() {
  return BoolGuard([&] {
    CRegKey key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, FormatRegistryTemplate(kRegistration[0].Key).c_str(), 0, kReadWrite,
                           key.Put()) == ERROR_SUCCESS;
  });
}

bool CShellExtController::RegisterRows() {
  HKEY root = nullptr;
  std::wstring keyPath;  // the current key as written in the table
  CRegKey open;
  for (std::size_t i = 0; i < kRegistration.size(); ++i) {
    const RegistrationEntry& row = kRegistration[i];
    if (row.Root) root = row.Root;
    if (row.Key) {
      keyPath = row.Key[0] == L'\\' ? keyPath + row.Key : std::wstring(row.Key);
      CRegKey created;
      if (::RegCreateKeyExW(root, FormatRegistryTemplate(keyPath.c_str()).c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, created.Put(), nullptr) != ERROR_SUCCESS)
        return false;  // rows written so far stay; registering again repeats every row
      open = std::move(created);
    }
    std::wstring data = FormatRegistryTemplate(row.Data);
    // A key without its value (an InprocServer32 without the library's path) is no registration.
    if (::RegSetValueExW(open.Get(), row.ValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
      return false;
    if (i + 1 == kRegistration.size() || kRegistration[i + 1].Root) open.Reset();
  }
  return true;
}

bool CShellExtController::UnregisterRows() {
  for (std::size_t i = kRegistration.size(); i-- > 0;) {
    const RegistrationEntry& row = kRegistration[i];
    if (!row.Root) continue;
    CRegKey root;
    if (::RegOpenKeyExW(row.Root, L"", 0, KEY_WRITE, root.Put()) != ERROR_SUCCESS) return false;
    LONG result = DeleteKeyTree(root.Get(), FormatRegistryTemplate(row.Key));
    // Already absent counts as removed.
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return false;
  }
  return true;
}
