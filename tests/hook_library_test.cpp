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

TEST_F(HookLibraryTest, OnlyBoxesWhereANameIsTypedAreServed) {
  CSettings settings;
  settings.renameExtClearInTab = true;
  ASSERT_EQ(controller_->StartHook(&settings), 1);
  using enum CBoxWindow::Place;
  struct Case {
    CBoxWindow::Place place;
    DWORD style;
    bool renameBoxes, anyEdit;  // served by each procedure
  } cases[] = {
      {Alone, ES_AUTOHSCROLL, false, true},
      {Alone, ES_MULTILINE, false, false},
      {Alone, ES_PASSWORD, false, false},
      {Alone, ES_READONLY, false, false},
      {Alone, ES_NUMBER, false, false},
      // Explorer's icon views rename in a box that wraps: there it counts.
      {ItemView, ES_MULTILINE | ES_CENTER, true, true},
      {ItemView, ES_READONLY, false, false},
      {ItemView, ES_PASSWORD, false, false},
      {InsidePaneOfItemView, ES_PASSWORD, false, false},
      {ItemView, ES_NUMBER, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "place " << static_cast<int>(c.place) << " style " << std::hex << c.style);
    const CBoxWindow& box = CBoxWindow::Get(c.place, c.style);
    ASSERT_TRUE(box.Activate());
    for (auto [proc, served] : {std::pair{proc_, c.renameBoxes}, std::pair{anyEditProc_, c.anyEdit}}) {
      box.Set(L"|report.txt");
      EXPECT_EQ(served, Tap(VK_F2, proc));
      EXPECT_EQ(served, Tap(VK_TAB, proc));
      EXPECT_EQ(Marked(served ? L"|" : L"|report.txt"), box.State());
    }
  }
}

TEST_F(HookLibraryTest, InsertAddsTheWholeStampWithinTheBoxLimitOrNothing) {
  CSettings settings;
  settings.renameExtInsertDate = settings.renameExtInsertDateTimeInShift = true;
  settings.renameExtAddUnderbarOnDate = true;
  std::wcscpy(settings.dateFormat, L"20261207");
  std::wcscpy(settings.dateTimeFormat, L"20261207-1530");
  ASSERT_EQ(controller_->StartHook(&settings), 1);
  ASSERT_TRUE(box_.Activate());
  const std::wstring x254(254, L'x'), x240(240, L'x');
  struct Case {
    int limit;
    std::wstring before;
    bool shift;
    std::wstring after;
  } cases[] = {
      {255, x254 + L"|", false, x254 + L"|"},
      {263, x254 + L"|", false, x254 + L"_20261207|"},
      {255, x240 + L"|", true, x240 + L"_20261207-1530|"},
      {253, x240 + L"|", true, x240 + L"|"},
      {13, L"[report].txt", false, L"20261207_|.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.limit << (c.shift ? " Shift" : ""));
    ::SendMessageW(box_.Edit(), EM_LIMITTEXT, c.limit, 0);
    box_.Set(c.before);
    CHeldKeys shift(c.shift ? std::initializer_list<int>{VK_SHIFT} : std::initializer_list<int>{});
    EXPECT_TRUE(Tap(VK_INSERT)) << "a stamp that does not fit is refused, never pasted";
    EXPECT_EQ(Marked(c.after.c_str()), box_.State());
  }
  ::SendMessageW(box_.Edit(), EM_LIMITTEXT, 0, 0);
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
