// How Windows reads names and paths: the rules that keep the commands on the item the user chose.
#include <gtest/gtest.h>

#include "path_rules.h"
#include "test_support.h"
#include "text.h"

namespace {

TEST(PathRules, NamesWindowsWouldTrimOrTakeForADevice) {
  EXPECT_EQ(FileNameProblem::None, CheckFileName(L"memo.txt"));
  EXPECT_EQ(FileNameProblem::None, CheckFileName(L".profile"));
  EXPECT_EQ(FileNameProblem::None, CheckFileName(L" へのショートカット")) << "a leading blank stays";
  EXPECT_EQ(FileNameProblem::None, CheckFileName(L"報告　"));  // an ideographic space is a character
  EXPECT_EQ(FileNameProblem::Empty, CheckFileName(L""));
  for (const wchar_t* name : {L"memo.", L"memo ", L"memo.txt.", L"memo. .", L".", L".."})
    EXPECT_EQ(FileNameProblem::TrailingPeriodOrBlank, CheckFileName(name)) << U8(name);
  for (const wchar_t* name : {L"a:b", L"a/b", L"a\\b", L"*", L"a?", L"\"q\"", L"<", L">", L"|", L"tab\there"})
    EXPECT_EQ(FileNameProblem::UnusableCharacter, CheckFileName(name)) << U8(name);
  for (const wchar_t* name : {L"CON", L"nul", L"Aux.txt", L"PRN.tar.gz", L"NUL .txt", L"com1", L"LPT9.log", L"COM\u00B9"})
    EXPECT_EQ(FileNameProblem::ReservedDevice, CheckFileName(name)) << U8(name);
  for (const wchar_t* name : {L"CONSOLE", L"nul1", L"COM10", L"LPT0", L"COM", L"my nul", L"x.CON", L"ＣＯＮ"})
    EXPECT_EQ(FileNameProblem::None, CheckFileName(name)) << U8(name);
}

TEST(PathRules, OnlyFullPathsWindowsTakesAsWritten) {
  for (const wchar_t* path : {L"C:\\", L"C:\\data\\memo.txt", L"z:\\写真\\2024", L"\\\\server\\share",
                              L"\\\\server\\share\\memo.txt", L"\\\\server\\C$\\a"})
    EXPECT_TRUE(IsExactFullPath(path)) << U8(path);
  for (const wchar_t* path : {L"", L"memo.txt", L"C:memo.txt", L"C:", L"R:", L"\\memo.txt", L"\\\\server",
                              L"\\\\server\\", L"\\\\?\\C:\\memo.txt", L"\\\\.\\C:\\memo.txt", L"C:\\data\\",
                              L"C:\\data\\\\memo.txt", L"C:\\.\\memo.txt", L"C:\\a\\..\\memo.txt", L"C:/data/memo.txt",
                              L"C:\\data\\memo.", L"C:\\data.\\memo.txt", L"C:\\dir \\memo.txt", L"C:\\data\\NUL",
                              L"C:\\a.txt:stream", L"C:\\data\\*", L"1:\\memo.txt"})
    EXPECT_FALSE(IsExactFullPath(path)) << U8(path);
}

TEST(PathRules, RootsHaveNoNameOfTheirOwn) {
  EXPECT_TRUE(IsRootPath(L"C:\\"));
  EXPECT_TRUE(IsRootPath(L"\\\\server\\share"));
  EXPECT_FALSE(IsRootPath(L"C:\\data"));
  EXPECT_FALSE(IsRootPath(L"\\\\server\\share\\a"));
  EXPECT_FALSE(IsRootPath(L"C:")) << "the current folder of C";
}

TEST(PathRules, OneRuleForTheFolderPart) {
  const struct {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* name;
  } cases[] = {
      {L"C:\\data\\a.txt", L"C:\\data", L"a.txt"},
      {L"C:\\a.txt", L"C:\\", L"a.txt"},
      {L"C:\\", L"C:\\", L""},
      {L"\\\\server\\share\\a", L"\\\\server\\share", L"a"},
      {L"\\\\server\\share", L"\\\\server\\share", L"share"},
      {L"\\a", L"\\", L"a"},
      {L"a.txt", L"", L"a.txt"},
      {L"C:\\data\\", L"C:\\data", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(U8(c.folder), U8(FolderPart(c.path))) << U8(c.path);
    EXPECT_EQ(U8(c.name), U8(std::wstring(NamePart(c.path)))) << U8(c.path);
  }
}

TEST(PathRules, ResolvedNameDropsTrailingPeriodsAndBlanksOnly) {
  EXPECT_EQ(L"C:\\d\\photos", TrimResolvedName(L"C:\\d\\photos. ."));
  EXPECT_EQ(L"C:\\d\\.profile", TrimResolvedName(L"C:\\d\\.profile"));
  EXPECT_EQ(L"C:\\", TrimResolvedName(L"C:\\")) << "the root stays whole";
}

}  // namespace
