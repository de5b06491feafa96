// The command spine in process: how a selected path is split, how a new name reaches the file
// system through the shell's file operation, and the clipboard write.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "command_context.h"
#include "context_menu_extension.h"
#include "handles.h"
#include "selected_item.h"
#include "shell_client.h"
#include "test_support.h"
#include "text.h"

namespace {

TEST(SelectedItemSplit, NamePartsFollowExplorersRules) {
  struct Case {
    const wchar_t* raw;
    bool folder;
    const wchar_t *full, *folderPath, *name, *base, *extension;
  };
  const Case cases[] = {
      {L"C:\\data\\report.final.txt", false, L"C:\\data\\report.final.txt", L"C:\\data", L"report.final.txt",
       L"report.final", L".txt"},
      {L"C:\\data\\.profile", false, L"C:\\data\\.profile", L"C:\\data", L".profile", L".profile", L""},
      {L"C:\\data\\.profile.bak", false, L"C:\\data\\.profile.bak", L"C:\\data", L".profile.bak", L".profile", L".bak"},
      {L"C:\\data\\notes.my file", false, L"C:\\data\\notes.my file", L"C:\\data", L"notes.my file", L"notes.my file",
       L""},
      {L"C:\\data\\my notes.txt", false, L"C:\\data\\my notes.txt", L"C:\\data", L"my notes.txt", L"my notes", L".txt"},
      {L"C:\\data\\README", false, L"C:\\data\\README", L"C:\\data", L"README", L"README", L""},
      {L"C:\\data\\data.old", true, L"C:\\data\\data.old", L"C:\\data", L"data.old", L"data.old", L""},
      {L"C:\\data\\photos\\", true, L"C:\\data\\photos", L"C:\\data", L"photos", L"photos", L""},
      {L"C:\\a.txt", false, L"C:\\a.txt", L"C:\\", L"a.txt", L"a", L".txt"},
      {L"\\\\server\\share\\写真.jpeg", false, L"\\\\server\\share\\写真.jpeg", L"\\\\server\\share", L"写真.jpeg",
       L"写真", L".jpeg"},
  };
  for (const Case& c : cases) {
    CSelectedItem item = SplitSelectedPath(c.raw, c.folder);
    SCOPED_TRACE(U8(c.raw));
    EXPECT_EQ(item.FullPath, c.full);
    EXPECT_EQ(item.FolderPath, c.folderPath);
    EXPECT_EQ(item.FileName, c.name);
    EXPECT_EQ(item.BaseName, c.base);
    EXPECT_EQ(item.Extension, c.extension);
    EXPECT_EQ(item.IsFolder, c.folder);
  }
  // A drive root keeps its backslash.
  EXPECT_EQ(RemoveTrailingBackslash(L"C:\\"), L"C:\\");
  EXPECT_EQ(SplitSelectedPath(L"C:\\", true).FolderPath, L"C:\\");
}

TEST(SelectedItemSplit, RootsAreMarkedAndOnlyExactFullPathsSelectable) {
  EXPECT_TRUE(SplitSelectedPath(L"R:\\", true).IsRoot);
  EXPECT_TRUE(SplitSelectedPath(L"\\\\server\\share\\", true).IsRoot);
  EXPECT_FALSE(SplitSelectedPath(L"R:\\photos", true).IsRoot);
  EXPECT_TRUE(IsSelectablePath(L"C:\\data\\photos\\"));
  EXPECT_TRUE(IsSelectablePath(L"R:\\"));
  EXPECT_FALSE(IsSelectablePath(L"R:"));
  EXPECT_FALSE(IsSelectablePath(L"C:\\data\\memo.\\"));
}

TEST(SelectedItemSplit, FolderIsAskedOfTheFileSystem) {
  CTempDir dir(L"split");
  ::CreateDirectoryW((dir / L"data.old").c_str(), nullptr);
  WriteBytes(dir / L"data.new", "x");
  CSelectedItem folder = ReadSelectedItem(dir / L"data.old\\");
  EXPECT_TRUE(folder.IsFolder);
  EXPECT_EQ(folder.BaseName, L"data.old");
  EXPECT_EQ(folder.Extension, L"");
  CSelectedItem file = ReadSelectedItem(dir / L"data.new");
  EXPECT_FALSE(file.IsFolder);
  EXPECT_EQ(file.Extension, L".new");
}

class FileOperationTest : public ::testing::Test {
protected:
  CCommandContext Context(const std::wstring& path, bool ctrl = false) {
    CCommandContext context(app_, settings_, ReadSelectedItem(path));
    context.CtrlDown = ctrl;
    return context;
  }

  CApp app_;
  CSettings settings_;
  CTempDir dir_{L"ファイル操作"};
};

TEST_F(FileOperationTest, NewPathRenamesAndWithCtrlCopiesLeavingTheSource) {
  WriteBytes(dir_ / L"報告.txt", "report");
  EXPECT_TRUE(Context(dir_ / L"報告.txt").ApplyNewPath(dir_ / L"報告_1.txt"));
  EXPECT_EQ(ListFolder(dir_.Path()), std::vector<std::wstring>{L"報告_1.txt"});
  EXPECT_EQ(ReadBytes(dir_ / L"報告_1.txt"), "report");

  EXPECT_TRUE(Context(dir_ / L"報告_1.txt", true).ApplyNewPath(dir_ / L"報告_2.txt"));
  EXPECT_EQ(ListFolder(dir_.Path()), (std::vector<std::wstring>{L"報告_1.txt", L"報告_2.txt"}));
  EXPECT_EQ(ReadBytes(dir_ / L"報告_2.txt"), "report");

  ::CreateDirectoryW((dir_ / L"photos").c_str(), nullptr);
  WriteBytes(dir_ / L"photos\\a.jpg", "jpg");
  EXPECT_TRUE(Context(dir_ / L"photos", true).ApplyNewPath(dir_ / L"photos_old"));
  EXPECT_EQ(ReadBytes(dir_ / L"photos_old\\a.jpg"), "jpg");
  EXPECT_TRUE(IsDirectory(dir_ / L"photos"));
}

TEST_F(FileOperationTest, UnchangedPathDoesNoFileOperation) {
  std::wstring path = dir_ / L"a.txt";
  WriteBytes(path, "a");
  // Held without delete or write sharing: any real rename or copy onto itself would fail.
  CFileHandle holder(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  CCommandContext context = Context(path);
  EXPECT_FALSE(context.RenameItem(path, dir_ / L"b.txt")) << "the holder must block a real rename";
  EXPECT_TRUE(context.RenameItem(path, path));
  EXPECT_TRUE(context.CopyItem(path, path));
  EXPECT_EQ(ListFolder(dir_.Path()), std::vector<std::wstring>{L"a.txt"});
}

TEST_F(FileOperationTest, TargetThatWindowsResolvesToTheSourceDoesNothing) {
  ::CreateDirectoryW((dir_ / L"photos").c_str(), nullptr);
  WriteBytes(dir_ / L"photos\\a.jpg", "jpg");
  WriteBytes(dir_ / L"memo.txt", "memo");
  CCommandContext folder = Context(dir_ / L"photos", true);
  // Each would copy the folder into itself, level after level.
  EXPECT_TRUE(folder.CopyItem(dir_ / L"photos", dir_ / L"photos."));
  EXPECT_TRUE(folder.CopyItem(dir_ / L"photos", dir_ / L"photos . "));
  EXPECT_TRUE(folder.CopyItem(dir_ / L"photos", dir_ / L"PHOTOS")) << "a copy onto itself in other case";
  CCommandContext file = Context(dir_ / L"memo.txt");
  EXPECT_TRUE(file.RenameItem(dir_ / L"memo.txt", dir_ / L"memo.txt.."));
  EXPECT_TRUE(file.CopyItem(dir_ / L"memo.txt", dir_ / L"Memo.TXT "));
  EXPECT_EQ(ListFolder(dir_.Path()), (std::vector<std::wstring>{L"memo.txt", L"photos"}));
  EXPECT_EQ(ListFolder(dir_ / L"photos"), std::vector<std::wstring>{L"a.jpg"});
}

TEST_F(FileOperationTest, FailedOperationsReportFailureAndKeepBothItems) {
  WriteBytes(dir_ / L"a.txt", "a");
  WriteBytes(dir_ / L"b.txt", "b");
  CCommandContext context = Context(dir_ / L"a.txt");
  EXPECT_FALSE(context.ApplyNewPath(dir_ / L"b.txt"));
  EXPECT_EQ(ReadBytes(dir_ / L"a.txt"), "a");
  EXPECT_EQ(ReadBytes(dir_ / L"b.txt"), "b");
  // A target the classic buffers cannot hold is refused before the shell could cut it.
  EXPECT_FALSE(context.ApplyNewPath(dir_ / std::wstring(kMaxPathUnits, L'n')));
  EXPECT_EQ(ListFolder(dir_.Path()), (std::vector<std::wstring>{L"a.txt", L"b.txt"}));
}

// Through the dispatch, since Wine cannot give a file a creation time of its own.
TEST_F(FileOperationTest, FileDateCommandsTakeTheirOwnTime) {
  const SYSTEMTIME created = {2014, 3, 0, 5, 12, 0, 0, 0}, written = {2020, 1, 0, 2, 12, 0, 0, 0};
  const struct {
    int command;
    const wchar_t* expected;
  } cases[] = {{18, L"20140305_a.txt"}, {19, L"a_20140305.txt"}, {20, L"20200102_a.txt"}, {21, L"a_20200102.txt"}};
  for (const auto& c : cases) {
    WriteBytes(dir_ / L"a.txt", "a");
    CCommandContext context = Context(dir_ / L"a.txt");
    EXPECT_TRUE(RunCommand(c.command, context, created, written));
    EXPECT_EQ(ListFolder(dir_.Path()), std::vector<std::wstring>{c.expected}) << c.command;
    ::DeleteFileW((dir_ / c.expected).c_str());
  }
}

TEST(ClipboardText, ReplacesTheClipboardWithUnicodeText) {
  CApp app;
  CSettings settings;
  CCommandContext context(app, settings, SplitSelectedPath(L"C:\\a.txt", false));
  EXPECT_TRUE(context.SetClipboardText(L"C:\\データ\\報告書.txt"));
  EXPECT_EQ(ReadClipboardText(), L"C:\\データ\\報告書.txt");
  EXPECT_TRUE(context.SetClipboardText(L""));
  EXPECT_EQ(ReadClipboardText(), L"");
}

TEST(ClipboardText, BusyClipboardFailsAndStaysAsItWas) {
  CApp app;
  CSettings settings;
  CCommandContext context(app, settings, SplitSelectedPath(L"C:\\a.txt", false));
  WriteClipboardText(L"前の内容");
  CHandle opened(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  CHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  // Another thread holds the clipboard open for its window, as another program would.
  std::thread holder([&] {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (window && ::OpenClipboard(window)) {
      ::SetEvent(opened.Get());
      ::WaitForSingleObject(release.Get(), 10000);
      ::CloseClipboard();
    }
    if (window) ::DestroyWindow(window);
  });
  ASSERT_EQ(::WaitForSingleObject(opened.Get(), 5000), WAIT_OBJECT_0);
  EXPECT_FALSE(context.SetClipboardText(L"新しい内容"));
  ::SetEvent(release.Get());
  holder.join();
  EXPECT_EQ(ReadClipboardText(), L"前の内容");
}

}  // namespace
