// The hook library inside this process: its controller, and its exported hook procedure called
// directly with the keys the system would hand it, against real boxes of this thread.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "handles.h"
#include "hook_controller.h"
#include "hook_values.h"
#include "marked_text.h"
#include "rename_box.h"
#include "test_support.h"
#include "text.h"

namespace {

using GetControllerFn = IHookController*(__cdecl*)();

LPARAM KeyDown(WPARAM vk) {
  LPARAM scan = ::MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
  return 1 | (scan << 16);
}
LPARAM KeyUp(WPARAM vk) { return KeyDown(vk) | (LPARAM{3} << 30); }

// Modifier keys as GetKeyState then reads them on this thread.
class CHeldKeys {
public:
  explicit CHeldKeys(std::initializer_list<int> keys) {
    ::GetKeyboardState(saved_);
    BYTE state[256];
    std::memcpy(state, saved_, sizeof state);
    for (int k : keys) state[k] |= 0x80;
    ::SetKeyboardState(state);
  }
  ~CHeldKeys() { ::SetKeyboardState(saved_); }

private:
  BYTE saved_[256];
};

class HookLibraryTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    install_ = new CTempDir(L"hooklib");
    CopyDeliverables(install_->Path(), {L"tavrino_main.dll"});
    library_ = ::LoadLibraryW(JoinPath(install_->Path(), L"tavrino_main.dll").c_str());
    ASSERT_NE(library_, nullptr);
    auto get = Export<GetControllerFn>("GetTavrinoHookController");
    proc_ = Export<HOOKPROC>("RenameBoxKeyboardProc");
    anyEditProc_ = Export<HOOKPROC>("AnyEditKeyboardProc");
    ASSERT_NE(get, nullptr);
    ASSERT_NE(proc_, nullptr);
    ASSERT_NE(anyEditProc_, nullptr);
    controller_ = get();
    ASSERT_NE(controller_, nullptr);
    EXPECT_EQ(controller_, get()) << "one controller for the process";
  }
  template <typename T>
  static T Export(const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(library_, name)));
  }
  static void TearDownTestSuite() {
    if (library_) ::FreeLibrary(library_);
    delete install_;
  }

  void SetUp() override { ASSERT_TRUE(box_.Created()); }
  void TearDown() override { controller_->StopHook(); }

  // Keys the system hands a procedure; true when the procedure kept the key for itself.
  static bool Key(WPARAM vk, LPARAM flags, int code = HC_ACTION) { return proc_(code, vk, flags) != 0; }
  static bool Tap(WPARAM vk, HOOKPROC proc = proc_) {
    bool down = proc(HC_ACTION, vk, KeyDown(vk)) != 0;
    bool up = proc(HC_ACTION, vk, KeyUp(vk)) != 0;
    EXPECT_EQ(down, up) << "a key-up goes where its key-down went";
    return down;
  }

  static std::string Marked(const wchar_t* marked) { return ShowMarked(ParseMarked(marked)); }

  static CTempDir* install_;
  static HMODULE library_;
  static HOOKPROC proc_;  // the rename boxes' procedure
  static HOOKPROC anyEditProc_;
  static IHookController* controller_;
  const CBoxWindow& box_ = CBoxWindow::Get(CBoxWindow::Place::ItemView);
};

CTempDir* HookLibraryTest::install_ = nullptr;
HMODULE HookLibraryTest::library_ = nullptr;
HOOKPROC HookLibraryTest::proc_ = nullptr;
HOOKPROC HookLibraryTest::anyEditProc_ = nullptr;
IHookController* HookLibraryTest::controller_ = nullptr;

TEST_F(HookLibraryTest, StartCopiesTheRecordAndStopEndsEverything) {
  auto settings = std::make_unique<CSettings>();
  std::wcscpy(settings->renameExtFileNamePartSelectOrder, L"1,0");
  std::wcscpy(settings->renameExtFileNamePartCheckList, L"0,1");
  settings->renameExtClearInTab = true;
  ASSERT_EQ(controller_->StartHook(settings.get()), 1);
  // The record is the host's: whatever becomes of it, the hook keeps what it was given.
  std::memset(static_cast<void*>(settings.get()), 0xCD, offsetof(CSettings, iniFilePath));
  settings.reset();

  ASSERT_TRUE(box_.Activate());
  box_.Set(L"|report 2024.txt");
  EXPECT_TRUE(Tap(VK_F2));
  EXPECT_EQ(Marked(L"report 2024[.txt]"), box_.State());
  EXPECT_TRUE(Tap(VK_F2));
  EXPECT_EQ(Marked(L"[report 2024].txt"), box_.State());

  controller_->StopHook();
  controller_->StopHook();
  box_.Set(L"rep|ort 2024.txt");
  EXPECT_FALSE(Tap(VK_F2));
  EXPECT_FALSE(Tap(VK_TAB));
  EXPECT_EQ(Marked(L"rep|ort 2024.txt"), box_.State());
}

TEST_F(HookLibraryTest, OnlyTheKeyDownActsAndItsKeyUpIsKeptToo) {
  CSettings settings;
  ASSERT_EQ(controller_->StartHook(&settings), 1);
  ASSERT_TRUE(box_.Activate());
  box_.Set(L"|report.txt");
  EXPECT_FALSE(Key(VK_F2, KeyDown(VK_F2), HC_NOREMOVE)) << "a peek is not the key's delivery";
  EXPECT_EQ(Marked(L"|report.txt"), box_.State());
  EXPECT_TRUE(Key(VK_F2, KeyDown(VK_F2)));
  EXPECT_TRUE(Key(VK_F2, KeyUp(VK_F2)));
  EXPECT_FALSE(Key(VK_F2, KeyUp(VK_F2))) << "only the one key-up";
  EXPECT_FALSE(Key(VK_HOME, KeyUp(VK_HOME)));
  EXPECT_EQ(Marked(L"[report].txt"), box_.State());
  EXPECT_FALSE(Tap('A'));
  EXPECT_FALSE(Tap(VK_HOME)) << "switched off";
}

TEST_F(HookLibraryTest, ModifiersAreReadFromTheKeyboardState) {
  CSettings settings;
  settings.renameExtInsertDate = true;
  settings.renameExtInsertDateTimeInShift = true;
  std::wcscpy(settings.dateFormat, L"D");
  std::wcscpy(settings.dateTimeFormat, L"T");
  ASSERT_EQ(controller_->StartHook(&settings), 1);
  ASSERT_TRUE(box_.Activate());
  box_.Set(L"a|b");
  {
    CHeldKeys shift({VK_SHIFT});
    EXPECT_TRUE(Tap(VK_INSERT));
  }
  EXPECT_EQ(Marked(L"aT|b"), box_.State());
  for (int held : {VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN}) {
    CHeldKeys keys({held});
    EXPECT_FALSE(Tap(VK_INSERT)) << held;
    EXPECT_FALSE(Tap(VK_F2)) << held;
  }
  EXPECT_FALSE(Key(VK_INSERT, KeyDown(VK_INSERT) | (LPARAM{KF_ALTDOWN} << 16))) << "Alt as the key reports it";
  EXPECT_EQ(Marked(L"aT|b"), box_.State());
  EXPECT_TRUE(Tap(VK_INSERT));
  EXPECT_EQ(Marked(L"aTD|b"), box_.State());
}

TEST_F(HookLibraryTest, OutsideItemViewsOnlyWritableOneLineBoxesOfTheAllEditsProcedure) {
  CSettings settings;
  ASSERT_EQ(controller_->StartHook(&settings), 1);

  const CBoxWindow& plain = CBoxWindow::Get(CBoxWindow::Place::Alone);
  ASSERT_TRUE(plain.Activate());
  plain.Set(L"|report.txt");
  EXPECT_FALSE(Tap(VK_F2, proc_));
  EXPECT_TRUE(Tap(VK_F2, anyEditProc_));
  EXPECT_EQ(Marked(L"[report].txt"), plain.State());

  for (DWORD style : {DWORD{ES_MULTILINE}, DWORD{ES_PASSWORD}, DWORD{ES_READONLY}}) {
    const CBoxWindow& other = CBoxWindow::Get(CBoxWindow::Place::Alone, style);
    ASSERT_TRUE(other.Activate());
    other.Set(L"|report.txt");
    EXPECT_FALSE(Tap(VK_F2, anyEditProc_)) << style;
  }
  // Explorer's icon views rename in a box that wraps: there it counts.
  const CBoxWindow& wrapping = CBoxWindow::Get(CBoxWindow::Place::ItemView, ES_MULTILINE | ES_CENTER);
  ASSERT_TRUE(wrapping.Activate());
  wrapping.Set(L"|report.txt");
  EXPECT_TRUE(Tap(VK_F2, proc_));
  EXPECT_EQ(Marked(L"[report].txt"), wrapping.State());
  const CBoxWindow& readOnly = CBoxWindow::Get(CBoxWindow::Place::ItemView, ES_READONLY);
  ASSERT_TRUE(readOnly.Activate());
  readOnly.Set(L"|report.txt");
  EXPECT_FALSE(Tap(VK_F2, proc_));
  EXPECT_FALSE(Tap(VK_F2, anyEditProc_));
}

// The values lie in memory that every process of the session can open: another program can create
// the name first, or write into the host's block.
TEST_F(HookLibraryTest, NameHeldByAnyOtherObjectIsNeverAdopted) {
  auto mapping = [](DWORD size, BYTE fill) {
    CHandle m(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, kHookValuesMappingName));
    CMappedView view(m ? ::MapViewOfFile(m.Get(), FILE_MAP_WRITE, 0, 0, 0) : nullptr);
    if (view) std::memset(view.Get(), fill, size);
    if (view && size == sizeof(CSharedBlock)) static_cast<CSharedBlock*>(view.Get())->published = kPublished;
    return m;
  };
  CSettings settings;
  for (int squatter = 0; squatter < 4; ++squatter) {
    SCOPED_TRACE(squatter);
    CHandle held = squatter == 0   ? mapping(sizeof(CSharedBlock), 0)     // nothing published
                   : squatter == 1 ? mapping(sizeof(CSharedBlock), 0xC6)  // garbage marked as published
                   : squatter == 2 ? mapping(16, 0xFF)
                                   : CHandle(::CreateEventW(nullptr, TRUE, FALSE, kHookValuesMappingName));
    ASSERT_TRUE(held);
    EXPECT_EQ(controller_->StartHook(&settings), 0);
    ASSERT_TRUE(box_.Activate());
    box_.Set(L"|report.txt");
    EXPECT_FALSE(Tap(VK_F2));
    held.Reset();
    EXPECT_EQ(controller_->StartHook(&settings), 1);
    EXPECT_TRUE(Tap(VK_F2));
    controller_->StopHook();
  }
}

TEST_F(HookLibraryTest, RestartWaitsForAReaderToLetGoOfThePreviousBlock) {
  CSettings settings;
  ASSERT_EQ(controller_->StartHook(&settings), 1);
  // A hooked process in the middle of its copy when the host stops and starts again.
  CHandle reader(::OpenFileMappingW(FILE_MAP_READ, FALSE, kHookValuesMappingName));
  ASSERT_TRUE(reader);
  controller_->StopHook();
  std::thread letGo([&reader] {
    ::Sleep(200);
    reader.Reset();
  });
  std::wcscpy(settings.renameExtFileNamePartSelectOrder, L"1,0,2");
  EXPECT_EQ(controller_->StartHook(&settings), 1);
  letGo.join();
  ASSERT_TRUE(box_.Activate());
  box_.Set(L"|report.txt");
  EXPECT_TRUE(Tap(VK_F2));
  EXPECT_EQ(Marked(L"report[.txt]"), box_.State()) << "the new values";
}

TEST_F(HookLibraryTest, AnyBytesWrittenIntoTheBlockAreReadAsSaneValues) {
  CSettings settings;
  ASSERT_EQ(controller_->StartHook(&settings), 1);
  CHandle mapping(::OpenFileMappingW(FILE_MAP_WRITE, FALSE, kHookValuesMappingName));
  ASSERT_TRUE(mapping);
  CMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, sizeof(CSharedBlock)));
  ASSERT_TRUE(view);
  auto* block = static_cast<CSharedBlock*>(view.Get());
  // Every switch 0xC6, counts and identifiers out of range, texts without their terminator.
  std::memset(&block->values, 0xC6, sizeof block->values);
  block->values.parts[0] = 1;
  block->values.parts[2] = 0;
  block->values.connection = 0x7FFFFFFF;
  std::wmemset(block->values.dateFormat, L'Y', std::size(block->values.dateFormat));

  ASSERT_TRUE(box_.Activate());
  box_.Set(L"|report.txt");
  EXPECT_TRUE(Tap(VK_F2));
  EXPECT_EQ(Marked(L"report.[txt]"), box_.State()) << "without its period: that switch is on too";
  EXPECT_TRUE(Tap(VK_F2));
  EXPECT_EQ(Marked(L"[report].txt"), box_.State()) << "only the parts that exist";
  EXPECT_TRUE(Tap(VK_END));
  EXPECT_EQ(Marked(L"report|.txt"), box_.State());
  EXPECT_TRUE(Tap(VK_INSERT));
  EXPECT_EQ(Marked((L"report_" + std::wstring(30, L'Y') + L"|.txt").c_str()), box_.State());
  EXPECT_TRUE(Tap(VK_TAB));
  EXPECT_EQ(Marked(L"|"), box_.State());

  // Not marked as published, such as a counter left odd: nothing to read, at once.
  block->published = 3;
  box_.Set(L"|report.txt");
  EXPECT_FALSE(Tap(VK_F2));
}

}  // namespace
