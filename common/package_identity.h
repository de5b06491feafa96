#pragma once
// The package that puts our submenu into Windows 11's own menu, and the class it names. The build
// fills these in (cmake/package_identity.cmake): the publisher comes from the signing certificate.
#include <windows.h>

extern const wchar_t kPackageName[];
extern const wchar_t kPackagePublisher[];
extern const wchar_t kPackageFamilyName[];
// The signed package, beside the programs.
extern const wchar_t kPackageFileName[];
// The command tree Windows 11 creates from the package's manifest.
extern const CLSID CLSID_TavrinoExplorerCommand;
