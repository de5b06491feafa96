// The built help file read through Windows' own compiled-help storage, the component the viewer
// opens pages with: the dialogs' context numbers lead to their pages, and the pages quote the
// program's own labels and show what its date routine really gives.
#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "date_stamp.h"
#include "menu_items_model.h"
#include "name_parts_model.h"
#include "test_support.h"
#include "text.h"

// The storage interface of itss.dll; the toolchain ships no header for it. Declared outside the
// anonymous namespace: a type of internal linkage lets the optimiser assume no object of it exists.
struct IITStorage : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};

namespace {

const CLSID kClsidITStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID kIidITStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

const wchar_t kHelpFile[] = L"タブリノリネームヘルプ.chm";

class HelpFile : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IITStorage* its = nullptr;
    ASSERT_EQ(S_OK, ::CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage,
                                       reinterpret_cast<void**>(&its)));
    std::wstring path = JoinPath(BinDir(), kHelpFile);
    HRESULT hr = its->StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &storage_);
    its->Release();
    ASSERT_EQ(S_OK, hr) << U8(path);
  }
  static void TearDownTestSuite() {
    if (storage_) storage_->Release();
    storage_ = nullptr;
    ::CoUninitialize();
  }

  // An internal file by its path from the archive's root; empty when it isn't there.
  static std::string Read(const std::wstring& path) {
    std::wstring name = path.size() && path[0] == L'/' ? path.substr(1) : path;
    IStream* stream = nullptr;
    if (storage_->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream) != S_OK) return {};
    std::string bytes;
    char buffer[4096];
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got > 0) bytes.append(buffer, got);
    stream->Release();
    return bytes;
  }

  // A page as the viewer of Japanese Windows reads it: code page 932, entities resolved.
  static std::wstring Page(const std::wstring& path) {
    std::string bytes = Read(path);
    int n = ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(n, L'\0');
    ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    for (auto [entity, c] : {std::pair{L"&lt;", L"<"}, {L"&gt;", L">"}, {L"&quot;", L"\""}, {L"&amp;", L"&"}})
      text = ReplaceAll(text, entity, c);
    return text;
  }

  // What HH_HELP_CONTEXT opens: #IVB pairs a number with an offset into #STRINGS.
  static std::wstring ContextPath(DWORD number) {
    std::string ivb = Read(L"#IVB"), strings = Read(L"#STRINGS");
    if (ivb.size() < 4) return {};
    auto word = [&](std::size_t at) { return *reinterpret_cast<const DWORD*>(ivb.data() + at); };
    for (std::size_t at = 4; at + 8 <= ivb.size(); at += 8) {
      if (word(at) != number || word(at + 4) >= strings.size()) continue;
      std::string path = strings.c_str() + word(at + 4);
      return std::wstring(path.begin(), path.end());
    }
    return {};
  }

  static bool Has(const std::wstring& page, const std::wstring& text) { return page.find(text) != std::wstring::npos; }

  static IStorage* storage_;
};

IStorage* HelpFile::storage_ = nullptr;

TEST_F(HelpFile, DialogContextsOpenTheirPages) {
  const std::map<DWORD, std::wstring> titles = {
      {10, L"<title>設定画面</title>"},
      {12, L"<title>ファイル名変更機能拡張</title>"},
      {14, L"<title>右クリックメニュー</title>"},
  };
  for (const auto& [number, title] : titles) {
    std::wstring path = ContextPath(number);
    ASSERT_FALSE(path.empty()) << number;
    std::wstring page = Page(path);
    EXPECT_TRUE(Has(page, title)) << number << " opens " << U8(path);
    EXPECT_TRUE(Has(page, L"charset=Shift_JIS")) << U8(path);
  }
  EXPECT_TRUE(ContextPath(11).empty());
}

TEST_F(HelpFile, MenuPageQuotesTheDialogsLabels) {
  std::wstring page = Page(ContextPath(14));
  for (int command = 0; command <= 21; ++command) {
    EXPECT_TRUE(Has(page, MenuItemLabel(command, MenuItemsList::Active))) << command;
    EXPECT_TRUE(Has(page, MenuItemLabel(command, MenuItemsList::Inactive))) << command;
  }
  EXPECT_TRUE(Has(page, kMenuItemsTooLongMessage));
  std::wstring rename = Page(ContextPath(12));
  for (int part = 0; part < kNamePartCount; ++part) EXPECT_TRUE(Has(rename, NamePartLabel(part))) << part;
}

TEST_F(HelpFile, DateExamplesAreWhatTheStampRoutineGives) {
  std::wstring page = Page(L"/date_format.htm");
  ASSERT_FALSE(page.empty());
  // Example cells pair a format with its result: <code class="ex">format</code>...</td><td>result</td>.
  const std::wregex example(L"<code class=\"ex\">([^<]*)</code>[^<]*</td><td>([^<]*)</td>");
  const CStampTime when{2024, 3, 5, 14, 7, 9};
  int checked = 0;
  for (std::wsregex_iterator it(page.begin(), page.end(), example), end; it != end; ++it) {
    std::wstring format = (*it)[1], shown = (*it)[2];
    CDateStamp stamp = MakeDateStamp(format, when);
    EXPECT_TRUE(stamp.Usable()) << U8(format);
    EXPECT_EQ(U8(shown), U8(stamp.text)) << U8(format);
    ++checked;
  }
  EXPECT_GE(checked, 40);
  // The characters the options page refuses are listed where the refusal is explained.
  std::wstring refused = page.substr(page.find(L"id=\"errors\""));
  for (wchar_t c : kForbiddenFileNameChars) EXPECT_TRUE(Has(refused, std::wstring(1, c))) << static_cast<int>(c);
}

}  // namespace
