// Every renaming command on real files and folders, with a fixed clock for "today".
#include <gtest/gtest.h>

#include <thread>

#include "command_context.h"
#include "selected_item.h"
#include "test_support.h"
#include "windows_probe.h"

namespace {

SYSTEMTIME FixedNow() {
  SYSTEMTIME t = {};
  t.wYear = 2024;
  t.wMonth = 3;
  t.wDay = 5;
  t.wHour = 14;
  t.wMinute = 7;
  t.wSecond = 9;
  return t;
}

class RenameCommands : public ::testing::Test {
protected:
  CTempDir dir{L"rename"};
  CApp app{dir.Path(), L"user"};
  CSettings settings;

  std::wstring File(const std::wstring& name, const std::string& content = "x") {
    WriteBytes(dir / name, content);
    return dir / name;
  }
  std::wstring Folder(const std::wstring& name) {
    ::CreateDirectoryW((dir / name).c_str(), nullptr);
    return dir / name;
  }
  // Runs one command on `path` as the handler does, with the keys held.
  bool Run(const std::wstring& path, bool (CCommandContext::*command)(), bool shift = false, bool ctrl = false) {
    CSelectedItem item = ReadSelectedItem(path);
    CCommandContext context(app, settings, item, FixedNow);
    context.ShiftDown = shift;
    context.CtrlDown = ctrl;
    return (context.*command)();
  }
  std::vector<std::wstring> Names() { return ListFolder(dir.Path()); }
};

using List = std::vector<std::wstring>;

TEST_F(RenameCommands, AutoNumberTakesTheFirstFreeNumberOfItsOwnForm) {
  File(L"memo.txt");
  File(L"memo(1).txt");
  EXPECT_TRUE(Run(dir / L"memo.txt", &CCommandContext::AddAutoNumber));
  EXPECT_EQ((List{L"memo(1).txt", L"memo(2).txt"}), Names());

  File(L"note.txt");
  File(L"note(001).txt");
  File(L"note(2).txt");  // another form: does not count with Shift
  EXPECT_TRUE(Run(dir / L"note.txt", &CCommandContext::AddAutoNumber, true));
  EXPECT_TRUE(PathExists(dir / L"note(002).txt"));
  EXPECT_FALSE(PathExists(dir / L"note.txt"));

  Folder(L"photos");
  EXPECT_TRUE(Run(dir / L"photos", &CCommandContext::AddAutoNumber));
  EXPECT_TRUE(IsDirectory(dir / L"photos(1)"));
}

TEST_F(RenameCommands, AutoNumberWithAllNumbersTakenSaysSoAndRenamesNothing) {
  File(L"full.txt");
  for (int n = 1; n <= 999; ++n) File(L"full(" + std::to_wstring(n) + L").txt", "");
  std::wstring shown;
  std::thread closer([&] {
    HWND box = WaitForMessageBox(::GetCurrentProcessId(), L"タブリノリネーム", 20000);
    if (box) {
      shown = MessageBoxText(box);
      CloseMessageBox(box);
    }
  });
  EXPECT_TRUE(Run(dir / L"full.txt", &CCommandContext::AddAutoNumber)) << "the command still ends successfully";
  closer.join();
  EXPECT_EQ(U8(L"000～999までの連番が既に使用されています。"), U8(shown));
  EXPECT_TRUE(PathExists(dir / L"full.txt"));
  EXPECT_EQ(1000u, Names().size());
}

TEST_F(RenameCommands, CopyDecorationOneOrAll) {
  File(L"コピー ～ コピー (2) ～ memo.txt");
  EXPECT_TRUE(Run(dir / L"コピー ～ コピー (2) ～ memo.txt", &CCommandContext::RemoveCopyString));
  EXPECT_EQ((List{L"コピー (2) ～ memo.txt"}), Names());
  EXPECT_TRUE(Run(dir / L"コピー (2) ～ memo.txt", &CCommandContext::RemoveCopyString));
  EXPECT_EQ((List{L"memo.txt"}), Names());

  File(L"コピー ～ コピー (12) ～ a.txt");
  EXPECT_TRUE(Run(dir / L"コピー ～ コピー (12) ～ a.txt", &CCommandContext::RemoveCopyString, true));
  EXPECT_EQ((List{L"a.txt", L"memo.txt"}), Names());
  EXPECT_TRUE(Run(dir / L"a.txt", &CCommandContext::RemoveCopyString)) << "nothing to strip is a success";
}

TEST_F(RenameCommands, ShortcutSuffixOnlyAtTheEnd) {
  File(L"memo へのショートカット.lnk");
  File(L"a へのショートカット b.txt");
  EXPECT_TRUE(Run(dir / L"memo へのショートカット.lnk", &CCommandContext::RemoveShortcutString));
  EXPECT_TRUE(Run(dir / L"a へのショートカット b.txt", &CCommandContext::RemoveShortcutString));
  EXPECT_EQ((List{L"a へのショートカット b.txt", L"memo.lnk"}), Names());
}

TEST_F(RenameCommands, DigitsAtTheHeadAndTheTail) {
  for (const wchar_t* name : {L"2024_03_05 report.txt", L"(1) memo.txt", L"1st report.doc", L"123.txt", L"abc123.txt"})
    File(name);
  for (const wchar_t* name : {L"2024_03_05 report.txt", L"(1) memo.txt", L"1st report.doc", L"123.txt", L"abc123.txt"})
    EXPECT_TRUE(Run(dir / name, &CCommandContext::RemoveNumericFromFileNameHead)) << U8(name);
  EXPECT_EQ((List{L"123.txt", L"abc123.txt", L"memo.txt", L"report.txt", L"st report.doc"}), Names());

  CTempDir tails(L"tails");
  for (const wchar_t* name : {L"report_01.txt", L"a1b2.txt", L"2024.txt", L"report_.txt", L"memo (2).md"})
    WriteBytes(tails / name, "x");
  for (const wchar_t* name : {L"report_01.txt", L"a1b2.txt", L"2024.txt", L"report_.txt", L"memo (2).md"})
    EXPECT_TRUE(Run(tails / name, &CCommandContext::RemoveNumericFromFileNameEnd)) << U8(name);
  EXPECT_EQ((List{L"2024.txt", L"a1b.txt", L"memo.md", L"report.txt", L"report_.txt"}), ListFolder(tails.Path()));
}

TEST_F(RenameCommands, TodaysDateBeforeOrAfterTheName) {
  File(L"memo.txt");
  EXPECT_TRUE(Run(dir / L"memo.txt", &CCommandContext::InsertDateTimeInHead));
  EXPECT_EQ((List{L"20240305_memo.txt"}), Names());
  EXPECT_TRUE(Run(dir / L"20240305_memo.txt", &CCommandContext::InsertDateTimeInEnd, true));
  EXPECT_EQ((List{L"20240305_memo_20240305_140709.txt"}), Names());

  settings.contextMenuExtAddUnderbarOnDate = false;
  File(L"plain.txt");
  EXPECT_TRUE(Run(dir / L"plain.txt", &CCommandContext::InsertDateTimeInHead));
  EXPECT_TRUE(PathExists(dir / L"20240305plain.txt"));

  settings.contextMenuExtAddUnderbarOnDate = true;
  settings.dateTimeConnection = 9;  // no such connector: the first one
  File(L"odd.txt");
  EXPECT_TRUE(Run(dir / L"odd.txt", &CCommandContext::InsertDateTimeInEnd));
  EXPECT_TRUE(PathExists(dir / L"odd_20240305.txt"));
}

TEST_F(RenameCommands, CtrlCopiesUnderTheFirstFreeNumberedDatedName) {
  File(L"memo.txt", "source");
  File(L"20240305_memo.txt", "older");
  EXPECT_TRUE(Run(dir / L"memo.txt", &CCommandContext::InsertDateTimeInHead, false, true));
  EXPECT_TRUE(Run(dir / L"memo.txt", &CCommandContext::InsertDateTimeInHead, false, true));
  EXPECT_EQ((List{L"20240305(2)_memo.txt", L"20240305(3)_memo.txt", L"20240305_memo.txt", L"memo.txt"}), Names());
  EXPECT_EQ("source", ReadBytes(dir / L"20240305(3)_memo.txt"));
  EXPECT_EQ("older", ReadBytes(dir / L"20240305_memo.txt"));

  settings.dateTimeConnection = 1;  // the numbered form always joins with "_"
  File(L"memo-20240305.txt");
  EXPECT_TRUE(Run(dir / L"memo.txt", &CCommandContext::InsertDateTimeInEnd, false, true));
  EXPECT_TRUE(PathExists(dir / L"memo_20240305(2).txt"));
}

TEST_F(RenameCommands, FileDatesComeFromTheItem) {
  File(L"memo.txt");
  SYSTEMTIME created = FixedNow();
  created.wYear = 2014;
  CSelectedItem item = ReadSelectedItem(dir / L"memo.txt");
  CCommandContext context(app, settings, item, FixedNow);
  EXPECT_TRUE(context.InsertFileDateTimeInHead(created));
  EXPECT_EQ((List{L"20140305_memo.txt"}), Names());
}

TEST_F(RenameCommands, UnusableStampsRenameNothingAndFail) {
  File(L"memo.txt");
  wcscpy(settings.dateFormat, L"%H:%M");  // a colon would name an NTFS stream
  EXPECT_FALSE(Run(dir / L"memo.txt", &CCommandContext::InsertDateTimeInHead));
  wcscpy(settings.dateFormat, L"%Q");  // unknown conversion: no stamp at all
  EXPECT_FALSE(Run(dir / L"memo.txt", &CCommandContext::InsertDateTimeInEnd));
  wcscpy(settings.dateFormat, L"%Y/%m/%d");
  EXPECT_FALSE(Run(dir / L"memo.txt", &CCommandContext::InsertDateTimeInEnd));
  EXPECT_EQ((List{L"memo.txt"}), Names());

  wcscpy(settings.dateFormat, L"%Y年%m月%d日");  // Japanese text passes through code page 932
  EXPECT_TRUE(Run(dir / L"memo.txt", &CCommandContext::InsertDateTimeInHead));
  EXPECT_EQ((List{L"2024年03月05日_memo.txt"}), Names());
}

TEST_F(RenameCommands, DatedNameThatWindowsWouldTrimIsRefusedWithAMessage) {
  File(L"memo");
  wcscpy(settings.dateFormat, L"%Y ");  // Windows would make it memo_2024
  CMessageBoxCatcher catcher(L"タブリノリネーム");
  EXPECT_FALSE(Run(dir / L"memo", &CCommandContext::InsertDateTimeInEnd));
  wcscpy(settings.dateFormat, L"%Y.");
  EXPECT_FALSE(Run(dir / L"memo", &CCommandContext::InsertDateTimeInEnd, false, true));
  std::vector<CCaughtBox> boxes = catcher.Finish();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(U8(L"新しい名前の末尾がピリオドまたは空白になるため、実行できません。\n【パス】" + (dir / L"memo_2024 ")),
            U8(boxes[0].text));
  EXPECT_EQ(U8(L"新しい名前の末尾がピリオドまたは空白になるため、実行できません。\n【パス】" + (dir / L"memo_2024.")),
            U8(boxes[1].text));
  EXPECT_EQ((List{L"memo"}), Names());
}

TEST_F(RenameCommands, MarkersBothWays) {
  File(L"memo.txt");
  EXPECT_TRUE(Run(dir / L"memo.txt", &CCommandContext::InsertStringInFileNameHead));
  EXPECT_EQ((List{L"~$memo.txt"}), Names());
  EXPECT_TRUE(Run(dir / L"~$memo.txt", &CCommandContext::RemoveStringFromFileNameHead));
  EXPECT_TRUE(Run(dir / L"memo.txt", &CCommandContext::InsertStringInExtensionEnd));
  EXPECT_EQ((List{L"memo.txt$"}), Names());
  EXPECT_TRUE(Run(dir / L"memo.txt$", &CCommandContext::RemoveStringFromExtensionEnd));
  EXPECT_EQ((List{L"memo.txt"}), Names());

  File(L"~memo.txt");
  EXPECT_TRUE(Run(dir / L"~memo.txt", &CCommandContext::RemoveStringFromFileNameHead));
  File(L"README");
  EXPECT_TRUE(Run(dir / L"README", &CCommandContext::InsertStringInExtensionEnd));
  EXPECT_EQ((List{L"README$", L"memo.txt", L"~memo.txt"}), Names());
  EXPECT_TRUE(Run(dir / L"README$", &CCommandContext::RemoveStringFromExtensionEnd)) << "its extension stays empty";
  EXPECT_TRUE(PathExists(dir / L"README$"));

  Folder(L"old");
  EXPECT_TRUE(Run(dir / L"old", &CCommandContext::InsertStringInFileNameHead, false, true));
  EXPECT_TRUE(IsDirectory(dir / L"old"));
  EXPECT_TRUE(IsDirectory(dir / L"~$old")) << "Ctrl copies a folder too";
}

// Wine's shell refuses a rename that changes only the case of a name (it finds the target
// "existing"); Windows' shell does it. So these check the operation asked of the shell.
struct ShellRequest {
  UINT operation;
  std::wstring from, to;
  FILEOP_FLAGS flags;
  int calls;
};
ShellRequest g_request;

int WINAPI RecordFileOperation(LPSHFILEOPSTRUCTW op) {
  g_request = {op->wFunc, op->pFrom, op->pTo, op->fFlags, g_request.calls + 1};
  EXPECT_EQ(L'\0', op->pFrom[wcslen(op->pFrom) + 1]) << "double-NUL terminated";
  EXPECT_EQ(L'\0', op->pTo[wcslen(op->pTo) + 1]);
  return 0;
}

TEST_F(RenameCommands, CaseCommandsAlwaysRenameTheNameOnly) {
  auto run = [&](const std::wstring& path, bool (CCommandContext::*command)(), bool ctrl) {
    g_request = {};
    CCommandContext context(app, settings, ReadSelectedItem(path), FixedNow);
    context.CtrlDown = ctrl;
    context.FileOperation = RecordFileOperation;
    return (context.*command)();
  };
  File(L"Memo.txt");
  EXPECT_TRUE(run(dir / L"Memo.txt", &CCommandContext::ToUpper, true));
  EXPECT_EQ(1, g_request.calls);
  EXPECT_EQ(static_cast<UINT>(FO_RENAME), g_request.operation) << "Ctrl does not make a copy";
  EXPECT_EQ(U8(dir / L"Memo.txt"), U8(g_request.from));
  EXPECT_EQ(U8(dir / L"MEMO.TXT"), U8(g_request.to)) << "the folder keeps its spelling";
  EXPECT_EQ(FOF_ALLOWUNDO, g_request.flags);

  EXPECT_TRUE(run(dir / L"Memo.txt", &CCommandContext::ToLower, false));
  EXPECT_EQ(U8(dir / L"memo.txt"), U8(g_request.to));

  File(L"ＡＢＣ データ");
  EXPECT_TRUE(run(dir / L"ＡＢＣ データ", &CCommandContext::ToUpper, false));
  EXPECT_EQ(0, g_request.calls) << "no ASCII letter in the name: no file operation";
}

TEST_F(RenameCommands, MenuPredicates) {
  File(L"2024 memo (3).txt$");
  CCommandContext c(app, settings, ReadSelectedItem(dir / L"2024 memo (3).txt$"), FixedNow);
  std::wstring head, tail;
  EXPECT_TRUE(c.GetNumericHead(head));
  EXPECT_TRUE(c.GetNumericTail(tail));
  EXPECT_EQ(L"2024 ", head);
  EXPECT_EQ(L" (3)", tail);
  EXPECT_TRUE(c.IsExtensionDisabled());
  EXPECT_FALSE(c.IsNameDisabled());
  EXPECT_FALSE(c.HasShortcutSuffix());
  EXPECT_FALSE(c.HasCopyPrefix());
  EXPECT_TRUE(c.HasExtension());
}

}  // namespace
