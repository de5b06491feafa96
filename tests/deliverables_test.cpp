// What ships: version resource and the manifest that asks for no elevation.
#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"
#include "text.h"

namespace {

const wchar_t* kDeliverables[] = {L"tavrino.exe", L"tavrino_main.exe", L"tavrino_shellext.dll", L"tavrino_main.dll"};

TEST(Deliverables, CarryVersion212) {
  for (const wchar_t* name : kDeliverables) {
    std::wstring path = JoinPath(BinDir(), name);
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << U8(name);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len));
    EXPECT_EQ(MAKELONG(1, 2), info->dwFileVersionMS) << U8(name);
    EXPECT_EQ(MAKELONG(0, 2), info->dwFileVersionLS) << U8(name);
  }
}

TEST(Deliverables, ManifestRunsAsInvokerWithoutUiAccess) {
  for (const wchar_t* name : kDeliverables) {
    HMODULE module = ::LoadLibraryExW(JoinPath(BinDir(), name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module) << U8(name);
    // Programs carry it as resource 1, libraries as resource 2.
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    if (!res) res = ::FindResourceW(module, MAKEINTRESOURCEW(2), RT_MANIFEST);
    ASSERT_NE(nullptr, res) << U8(name);
    const char* text = static_cast<const char*>(::LockResource(::LoadResource(module, res)));
    std::string manifest(text, ::SizeofResource(module, res));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\" uiAccess=\"false\"")) << U8(name);
    ::FreeLibrary(module);
  }
}

}  // namespace
