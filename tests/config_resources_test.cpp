// What the resource compiler made of the configuration program's dialogs, icon and manifest, read
// back from the built program: the dialog templates as the dialog manager will read them.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "errors.h"
#include "handles.h"
#include "resource.h"
#include "test_support.h"
#include "text.h"

namespace {

struct CControl {
  int id = 0;
  std::wstring windowClass;
  std::wstring text;
  DWORD style = 0;
  RECT box{};  // x, y, width, height in dialog units
};

struct CTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short width = 0;
  short height = 0;
  std::wstring caption;
  WORD pointSize = 0;
  WORD weight = 0;
  BYTE charset = 0;
  std::wstring font;
  std::vector<CControl> controls;
};

class CReader {
public:
  explicit CReader(const BYTE* p) : p_(p) {}
  template <typename T>
  T Read() {
    T value;
    std::memcpy(&value, p_, sizeof value);
    p_ += sizeof value;
    return value;
  }
  // A string, or an ordinal written as "#n" (control classes as their names).
  std::wstring SzOrOrd() {
    WORD first = Read<WORD>();
    if (first == 0) return {};
    if (first == 0xFFFF) {
      WORD ordinal = Read<WORD>();
      static const std::map<WORD, std::wstring> classes = {
          {0x80, L"Button"}, {0x81, L"Edit"}, {0x82, L"Static"}, {0x83, L"ListBox"}, {0x85, L"ComboBox"}};
      auto it = classes.find(ordinal);
      return it != classes.end() ? it->second : L"#" + std::to_wstring(ordinal);
    }
    std::wstring text(1, static_cast<wchar_t>(first));
    for (WORD c; (c = Read<WORD>()) != 0;) text.push_back(static_cast<wchar_t>(c));
    return text;
  }
  void AlignDword(const BYTE* base) {
    while ((p_ - base) % 4) ++p_;
  }
  const BYTE* Position() const { return p_; }
  void Skip(std::size_t n) { p_ += n; }

private:
  const BYTE* p_;
};

class ConfigResources : public ::testing::Test {
protected:
  void SetUp() override {
    module_ = ::LoadLibraryExW(JoinPath(BinDir(), L"tavrino.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { ::FreeLibrary(module_); }

  const BYTE* Resource(int id, LPCWSTR type, DWORD* size = nullptr) const {
    HRSRC found = ::FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (!found) return nullptr;
    if (size) *size = ::SizeofResource(module_, found);
    return static_cast<const BYTE*>(::LockResource(::LoadResource(module_, found)));
  }

  CTemplate Dialog(int id) const {
    const BYTE* base = Resource(id, RT_DIALOG);
    CTemplate t;
    if (!base) {
      ADD_FAILURE() << "no dialog " << id;
      return t;
    }
    CReader r(base);
    EXPECT_EQ(r.Read<WORD>(), 1) << "an extended template";
    EXPECT_EQ(r.Read<WORD>(), 0xFFFF);
    r.Read<DWORD>();
    t.exStyle = r.Read<DWORD>();
    t.style = r.Read<DWORD>();
    WORD count = r.Read<WORD>();
    r.Read<short>();
    r.Read<short>();
    t.width = r.Read<short>();
    t.height = r.Read<short>();
    r.SzOrOrd();
    r.SzOrOrd();
    t.caption = r.SzOrOrd();
    t.pointSize = r.Read<WORD>();
    t.weight = r.Read<WORD>();
    r.Read<BYTE>();
    t.charset = r.Read<BYTE>();
    t.font = r.SzOrOrd();
    for (WORD i = 0; i < count; ++i) {
      r.AlignDword(base);
      CControl c;
      r.Read<DWORD>();
      r.Read<DWORD>();
      c.style = r.Read<DWORD>();
      c.box.left = r.Read<short>();
      c.box.top = r.Read<short>();
      c.box.right = r.Read<short>();
      c.box.bottom = r.Read<short>();
      c.id = static_cast<int>(r.Read<DWORD>());
      c.windowClass = r.SzOrOrd();
      c.text = r.SzOrOrd();
      r.Skip(r.Read<WORD>());
      t.controls.push_back(c);
    }
    return t;
  }

  static const CControl* Find(const CTemplate& t, int id) {
    for (const CControl& c : t.controls)
      if (c.id == id) return &c;
    return nullptr;
  }

  HMODULE module_ = nullptr;
};

std::string Box(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST_F(ConfigResources, DialogsHaveTheirFontFrameAndSize) {
  enum Kind { Centred, OverOwner, Child };  // detail dialogs centre themselves over their owner
  struct {
    int id;
    const char* caption;
    short width, height;
    Kind kind;
  } const dialogs[] = {{IDD_CONFIG, "タブリノリネームの設定", 323, 219, Centred},
                       {IDD_BASIC_PAGE, "基本設定", 303, 151, Child},
                       {IDD_OPTION_PAGE, "オプション", 303, 151, Child},
                       {IDD_RENAME_EXT_CONFIG, "ファイル名変更機能拡張の詳細設定", 227, 247, OverOwner},
                       {IDD_CONTEXT_MENU_EXT_CONFIG, "右クリックメニュー拡張の詳細設定", 339, 255, OverOwner}};
  for (const auto& d : dialogs) {
    SCOPED_TRACE(d.id);
    CTemplate t = Dialog(d.id);
    EXPECT_EQ(U8(t.caption), d.caption);
    EXPECT_EQ(t.width, d.width);
    EXPECT_EQ(t.height, d.height);
    EXPECT_EQ(U8(t.font), "MS UI Gothic");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, 400);
    EXPECT_EQ(t.charset, 128);
    EXPECT_FALSE(t.style & WS_VISIBLE);
    if (d.kind == Child) {
      EXPECT_EQ(t.style & (WS_CHILD | WS_POPUP | WS_CAPTION), static_cast<DWORD>(WS_CHILD)) << "no title bar of its own";
      EXPECT_TRUE(t.exStyle & WS_EX_CONTROLPARENT);
    } else {
      DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
      EXPECT_EQ(t.style & frame, frame);
      EXPECT_EQ((t.style & DS_CENTER) != 0, d.kind == Centred);
    }
  }
}

TEST_F(ConfigResources, AddressedControlsStandWhereTheLayoutPutsThem) {
  struct {
    int dialog;
    int id;
    const char* windowClass;
    RECT box;
  } const controls[] = {
      {IDD_CONFIG, IDC_TAB, "SysTabControl32", {9, 9, 306, 171}},
      {IDD_CONFIG, IDC_REMOVE_RESIDENCY, "Button", {9, 195, 51, 15}},
      {IDD_CONFIG, IDOK, "Button", {150, 195, 51, 15}},
      {IDD_CONFIG, IDCANCEL, "Button", {207, 195, 51, 15}},
      {IDD_CONFIG, IDC_HELP_BUTTON, "Button", {264, 195, 51, 15}},
      {IDD_BASIC_PAGE, IDC_RENAME_EXT_ENABLE, "Button", {159, 27, 32, 10}},
      {IDD_BASIC_PAGE, IDC_RENAME_EXT_DISABLE, "Button", {198, 27, 32, 10}},
      {IDD_BASIC_PAGE, IDC_RENAME_EXT_DETAIL, "Button", {237, 24, 42, 15}},
      {IDD_BASIC_PAGE, IDC_CONTEXT_MENU_ENABLE, "Button", {159, 54, 32, 10}},
      {IDD_BASIC_PAGE, IDC_CONTEXT_MENU_DISABLE, "Button", {198, 54, 32, 10}},
      {IDD_BASIC_PAGE, IDC_CONTEXT_MENU_DETAIL, "Button", {237, 51, 42, 15}},
      {IDD_BASIC_PAGE, IDC_VERSION, "Static", {111, 102, 53, 8}},
      {IDD_BASIC_PAGE, IDC_RESIDENCY_STATUS, "Static", {165, 102, 117, 8}},
      {IDD_BASIC_PAGE, IDC_WEB_LINK, "Static", {135, 126, 102, 8}},
      {IDD_OPTION_PAGE, IDC_DATE_FORMAT, "ComboBox", {57, 27, 114, 126}},
      {IDD_OPTION_PAGE, IDC_DATE_PREVIEW, "Static", {183, 30, 99, 8}},
      {IDD_OPTION_PAGE, IDC_DATE_TIME_FORMAT, "ComboBox", {57, 48, 114, 96}},
      {IDD_OPTION_PAGE, IDC_DATE_TIME_PREVIEW, "Static", {183, 51, 99, 8}},
      {IDD_OPTION_PAGE, IDC_CONNECTION, "ComboBox", {114, 75, 57, 60}},
  };
  std::map<int, CTemplate> templates;
  for (int id : {IDD_CONFIG, IDD_BASIC_PAGE, IDD_OPTION_PAGE}) templates[id] = Dialog(id);
  for (const auto& c : controls) {
    SCOPED_TRACE(c.id);
    const CControl* found = Find(templates[c.dialog], c.id);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(::lstrcmpiW(found->windowClass.c_str(), FromUtf8(c.windowClass).c_str()), 0) << U8(found->windowClass);
    EXPECT_EQ(Box(found->box), Box(c.box));
  }

  const CTemplate& basic = templates[IDD_BASIC_PAGE];
  // Each radio group and each detail button starts a group of its own.
  for (int id : {IDC_RENAME_EXT_ENABLE, IDC_RENAME_EXT_DETAIL, IDC_CONTEXT_MENU_ENABLE, IDC_CONTEXT_MENU_DETAIL})
    EXPECT_TRUE(Find(basic, id)->style & WS_GROUP) << id;
  for (int id : {IDC_RENAME_EXT_DISABLE, IDC_CONTEXT_MENU_DISABLE}) {
    EXPECT_FALSE(Find(basic, id)->style & WS_GROUP) << id;
    EXPECT_EQ(Find(basic, id)->style & 0x0F, static_cast<DWORD>(BS_AUTORADIOBUTTON)) << id;
  }
  bool icon = false;
  for (const CControl& c : basic.controls)
    icon |= ::lstrcmpiW(c.windowClass.c_str(), L"Static") == 0 && (c.style & SS_TYPEMASK) == SS_ICON && c.text == L"#105" &&
            Box(c.box) == "21,99,20,20";
  EXPECT_TRUE(icon) << "the product icon in the about block";

  const CTemplate& options = templates[IDD_OPTION_PAGE];
  for (int id : {IDC_DATE_FORMAT, IDC_DATE_TIME_FORMAT}) {
    DWORD style = Find(options, id)->style;
    EXPECT_EQ(style & 0x3, static_cast<DWORD>(CBS_DROPDOWN)) << id;
    EXPECT_FALSE(style & CBS_SORT) << id;
    EXPECT_TRUE(style & WS_VSCROLL) << id;
  }
  EXPECT_EQ(Find(options, IDC_CONNECTION)->style & 0x3, static_cast<DWORD>(CBS_DROPDOWNLIST));
}

TEST_F(ConfigResources, DetailDialogControlsHaveTheirTextsPlacesAndStyles) {
  struct {
    int dialog;
    int id;
    const char* windowClass;
    const char* text;
    RECT box;
  } const controls[] = {
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDC_ACTIVE_LIST, "ListBox", "", {18, 39, 120, 138}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDC_MENU_ADD, "Button", "<< 追加   ", {144, 54, 50, 15}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDC_MENU_REMOVE, "Button", "   削除 >>", {144, 72, 50, 15}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDC_MENU_UP, "Button", "上へ移動", {144, 100, 50, 15}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDC_MENU_DOWN, "Button", "下へ移動", {144, 118, 50, 15}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDC_MENU_RESET, "Button", "リセット", {144, 150, 50, 15}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDC_INACTIVE_LIST, "ListBox", "", {201, 39, 120, 138}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDC_MENU_ADD_CONNECTION, "Button", "ファイル名と挿入日付の間に連結文字を付加する",
       {9, 201, 180, 10}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDOK, "Button", "OK", {165, 231, 51, 15}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDCANCEL, "Button", "キャンセル", {222, 231, 51, 15}},
      {IDD_CONTEXT_MENU_EXT_CONFIG, IDC_HELP_BUTTON, "Button", "ヘルプ", {279, 231, 51, 15}},
      {IDD_RENAME_EXT_CONFIG, IDC_PART_LIST, "SysListView32", "", {18, 24, 132, 39}},
      {IDD_RENAME_EXT_CONFIG, IDC_PART_UP, "Button", "上へ移動", {159, 24, 51, 15}},
      {IDD_RENAME_EXT_CONFIG, IDC_PART_DOWN, "Button", "下へ移動", {159, 42, 51, 15}},
      {IDD_RENAME_EXT_CONFIG, IDC_SELECT_EXCEPT_PERIOD, "Button", "拡張子選択時にピリオドを含まない", {9, 84, 165, 10}},
      {IDD_RENAME_EXT_CONFIG, IDC_EXTEND_HOME_END, "Button", "Homeキー、Endキーでそれぞれファイル名の先頭と末尾に移動",
       {9, 99, 209, 10}},
      {IDD_RENAME_EXT_CONFIG, IDC_HOME_END_IN_SELECTION, "Button", "範囲選択中はそれぞれ選択範囲の先頭と末尾に移動",
       {21, 114, 172, 10}},
      {IDD_RENAME_EXT_CONFIG, IDC_INSERT_DATE, "Button", "Insertキーで日付を挿入", {9, 129, 141, 10}},
      {IDD_RENAME_EXT_CONFIG, IDC_INSERT_DATE_TIME_IN_SHIFT, "Button", "Shift+Insertキーで日時を挿入", {21, 144, 100, 10}},
      {IDD_RENAME_EXT_CONFIG, IDC_RENAME_ADD_CONNECTION, "Button", "ファイル名と日付の間に連結文字を自動的に付加",
       {21, 159, 168, 10}},
      {IDD_RENAME_EXT_CONFIG, IDC_CLEAR_IN_TAB, "Button", "Tabキーでファイル名を全消去", {9, 177, 109, 10}},
      {IDD_RENAME_EXT_CONFIG, IDC_ENABLE_AT_ALL_EDIT, "Button",
       "全てのエディットコントロールでファイル名変更機能拡張を有効にする", {9, 192, 195, 10}},
      {IDD_RENAME_EXT_CONFIG, IDOK, "Button", "OK", {54, 222, 51, 15}},
      {IDD_RENAME_EXT_CONFIG, IDCANCEL, "Button", "キャンセル", {111, 222, 51, 15}},
      {IDD_RENAME_EXT_CONFIG, IDC_HELP_BUTTON, "Button", "ヘルプ", {168, 222, 51, 15}},
  };
  std::map<int, CTemplate> templates;
  for (int id : {IDD_RENAME_EXT_CONFIG, IDD_CONTEXT_MENU_EXT_CONFIG}) templates[id] = Dialog(id);
  for (const auto& c : controls) {
    SCOPED_TRACE(c.id);
    const CControl* found = Find(templates[c.dialog], c.id);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(::lstrcmpiW(found->windowClass.c_str(), FromUtf8(c.windowClass).c_str()), 0) << U8(found->windowClass);
    EXPECT_EQ(U8(found->text), c.text);
    EXPECT_EQ(Box(found->box), Box(c.box));
    EXPECT_TRUE(found->style & WS_TABSTOP);
  }
  // The unaddressed texts, in their places.
  auto hasStatic = [](const CTemplate& t, const char* text, const char* box) {
    for (const CControl& c : t.controls)
      if (c.id == IDC_STATIC && U8(c.text) == text && Box(c.box) == box) return true;
    return false;
  };
  const CTemplate& menu = templates[IDD_CONTEXT_MENU_EXT_CONFIG];
  EXPECT_TRUE(hasStatic(menu, "右クリックメニューに表示する機能", "9,9,321,180"));
  EXPECT_TRUE(hasStatic(menu, "現在アクティブな機能", "21,27,58,8"));
  EXPECT_TRUE(hasStatic(menu, "利用可能なアクティブでない機能", "204,27,89,8"));
  EXPECT_TRUE(hasStatic(templates[IDD_RENAME_EXT_CONFIG], "ファイル名の範囲選択順", "9,9,210,64"));

  // Both lists: notify, keep their order, any height, border and vertical scroll bar.
  for (int id : {IDC_ACTIVE_LIST, IDC_INACTIVE_LIST}) {
    DWORD style = Find(menu, id)->style;
    EXPECT_EQ(style & (LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL | WS_BORDER |
                       WS_VSCROLL),
              DWORD{LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL})
        << id;
  }
  EXPECT_EQ(Find(menu, IDOK)->style & 0x0F, DWORD{BS_DEFPUSHBUTTON});
  EXPECT_EQ(Find(menu, IDC_MENU_ADD_CONNECTION)->style & 0x0F, DWORD{BS_AUTOCHECKBOX});
  const CTemplate& rename = templates[IDD_RENAME_EXT_CONFIG];
  DWORD view = Find(rename, IDC_PART_LIST)->style;
  DWORD wanted = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER | LVS_NOSCROLL | WS_BORDER;
  EXPECT_EQ(view & (wanted | LVS_TYPEMASK), wanted);
  EXPECT_EQ(Find(rename, IDOK)->style & 0x0F, DWORD{BS_DEFPUSHBUTTON});
  for (int id : {IDC_SELECT_EXCEPT_PERIOD, IDC_EXTEND_HOME_END, IDC_HOME_END_IN_SELECTION, IDC_INSERT_DATE,
                 IDC_INSERT_DATE_TIME_IN_SHIFT, IDC_RENAME_ADD_CONNECTION, IDC_CLEAR_IN_TAB, IDC_ENABLE_AT_ALL_EDIT})
    EXPECT_EQ(Find(rename, id)->style & 0x0F, DWORD{BS_AUTOCHECKBOX}) << id;
}

TEST_F(ConfigResources, DragCursorsAre32PixelMonochromeWithTheHotSpotAtTheTopLeft) {
  for (int id : {IDC_CURSOR_DRAG_MOVE, IDC_CURSOR_DRAG_NO}) {
    SCOPED_TRACE(id);
    DWORD size = 0;
    const BYTE* group = Resource(id, RT_GROUP_CURSOR, &size);
    ASSERT_NE(group, nullptr);
    ASSERT_GE(size, 6u + 14u);
    ASSERT_EQ(*reinterpret_cast<const WORD*>(group + 2), 2) << "a cursor";
    ASSERT_EQ(*reinterpret_cast<const WORD*>(group + 4), 1);
    const BYTE* entry = group + 6;  // width, height (doubled), planes, bit count, size, id
    EXPECT_EQ(*reinterpret_cast<const WORD*>(entry), 32);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 2), 64);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 1) << "bits per pixel";
    const BYTE* image = Resource(*reinterpret_cast<const WORD*>(entry + 12), RT_CURSOR, &size);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(image), 0) << "hot spot x";
    EXPECT_EQ(*reinterpret_cast<const WORD*>(image + 2), 0) << "hot spot y";
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image + 4);
    EXPECT_EQ(header->biWidth, 32);
    EXPECT_EQ(header->biBitCount, 1);
  }
}

// The resource of a module loaded as data; null when absent.
const BYTE* ResourceOf(HMODULE module, int id, LPCWSTR type, DWORD* size = nullptr) {
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!found) return nullptr;
  if (size) *size = ::SizeofResource(module, found);
  return static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
}

TEST(DeliverableResources, ProductIconHoldsEverySizeIn32BitColourAndThe256ColourImage) {
  // The programs, and the library's icon that Windows 11's menu shows.
  const struct {
    const wchar_t* file;
    int id;
  } modules[] = {{L"tavrino.exe", IDI_PRODUCT}, {L"tavrino_main.exe", 1}, {L"tavrino_shellext.dll", 101}};
  for (const auto& m : modules) {
    SCOPED_TRACE(U8(m.file));
    CModule module(::LoadLibraryExW(JoinPath(BinDir(), m.file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    DWORD size = 0;
    const BYTE* group = ResourceOf(module.Get(), m.id, RT_GROUP_ICON, &size);
    ASSERT_NE(group, nullptr);
    WORD count = *reinterpret_cast<const WORD*>(group + 4);
    ASSERT_GE(size, 6u + 14u * count);
    std::map<std::pair<int, int>, const BYTE*> images;  // (edge, bits per pixel)
    for (WORD i = 0; i < count; ++i) {
      const BYTE* entry = group + 6 + 14 * i;  // width, height, colours, reserved, planes, bits, size, id
      int edge = entry[0] ? entry[0] : 256;
      EXPECT_EQ(entry[1] ? entry[1] : 256, edge);
      images[{edge, *reinterpret_cast<const WORD*>(entry + 6)}] =
          ResourceOf(module.Get(), *reinterpret_cast<const WORD*>(entry + 12), RT_ICON);
    }
    auto image = [&](int edge, int bits) { return images[std::make_pair(edge, bits)]; };
    for (int edge : {16, 20, 24, 32, 40, 48, 64, 256}) EXPECT_NE(image(edge, 32), nullptr) << edge;
    EXPECT_NE(image(32, 8), nullptr) << "for old displays";
    ASSERT_NE(image(256, 32), nullptr);
    EXPECT_EQ(std::memcmp(image(256, 32), "\x89PNG", 4), 0) << "the large image as PNG";
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image(16, 32));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, 16);
    EXPECT_EQ(header->biBitCount, 32);
  }
}

TEST(DeliverableResources, ProgramManifestsAskForCommonControls6AndSystemDpiAwareness) {
  // The resident host's message boxes too, or Windows stretches them as bitmaps above 100 %.
  for (const wchar_t* file : {L"tavrino.exe", L"tavrino_main.exe"}) {
    SCOPED_TRACE(U8(file));
    CModule module(::LoadLibraryExW(JoinPath(BinDir(), file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    DWORD size = 0;
    const BYTE* data = ResourceOf(module.Get(), 1, RT_MANIFEST, &size);
    ASSERT_NE(data, nullptr);
    std::string manifest(reinterpret_cast<const char*>(data), size);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"),
              std::string::npos);
    EXPECT_NE(
        manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">system</dpiAwareness>"),
        std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\" uiAccess=\"false\""), std::string::npos);
  }
}

}  // namespace
