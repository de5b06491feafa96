#pragma once
// The classic context-menu handler's class and its key in the user's hive. What belongs to that
// registration is kept as values of this key, so the classic unregistration takes it all away.
#include <windows.h>
#include <objbase.h>

#include <string>

// {7C2D5A91-3E48-4F06-B1A7-5D9E24C8F013}
inline constexpr CLSID CLSID_TavrinoContextMenuExtension = {
    0x7C2D5A91, 0x3E48, 0x4F06, {0xB1, 0xA7, 0x5D, 0x9E, 0x24, 0xC8, 0xF0, 0x13}};

// Software\Classes\CLSID\{...} under HKEY_CURRENT_USER.
inline std::wstring ClassicClassKeyPath() {
  wchar_t clsid[39] = {};
  ::StringFromGUID2(CLSID_TavrinoContextMenuExtension, clsid, ARRAYSIZE(clsid));
  return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}
