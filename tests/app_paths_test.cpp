// Folder layout, data folder creation and the error convention.
#include <gtest/gtest.h>

#include "app.h"
#include "errors.h"
#include "settings.h"
#include "test_support.h"
#include "text.h"

namespace {

TEST(AppPaths, ProgramFolderAndUserFolderLayout) {
  CApp app;
  EXPECT_EQ(U8(TestDir()), U8(app.ModuleFolder()));
  EXPECT_EQ(U8(TestDir() + L"\\userdata"), U8(app.UserDataFolder()));
  EXPECT_FALSE(app.UserName().empty());
  EXPECT_EQ(U8(app.UserDataFolder() + L"\\" + app.UserName()), U8(app.UserFolder()));
  EXPECT_EQ(U8(app.UserFolder() + L"\\tavrino.ini"), U8(app.GetIniFilePath()));
  EXPECT_EQ(U8(TestDir() + L"\\tavrino_main.exe"), U8(app.GetResidentProgramPath()));
  EXPECT_EQ(U8(TestDir() + L"\\タブリノリネームヘルプ.chm"), U8(app.GetHelpFilePath()));
}

TEST(AppPaths, LibraryFolderIsTheLibrarysOwn) {
  CTempDir install(L"lib");
  CopyDeliverables(install.Path(), {L"tavrino_main.dll"});
  HMODULE lib = ::LoadLibraryExW((install / L"tavrino_main.dll").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(nullptr, lib);
  EXPECT_EQ(U8(install.Path()), U8(CApp(lib).ModuleFolder()));
  ::FreeLibrary(lib);
}

TEST(AppPaths, JoinUsesExactlyOneBackslash) {
  EXPECT_EQ(L"C:\\name", JoinPath(L"C:\\", L"name"));
  EXPECT_EQ(L"C:\\data\\name", JoinPath(L"C:\\data", L"name"));
  EXPECT_EQ(L"C:\\data\\name", JoinPath(L"C:\\data\\", L"\\name"));
}

TEST(DataFolders, BothAreCreatedWhenMissing) {
  CTempDir install(L"folders");
  CApp app(install.Path(), L"alice");
  app.CreateDataFolders();
  EXPECT_TRUE(IsDirectory(install / L"userdata"));
  EXPECT_TRUE(IsDirectory(install / L"userdata\\alice"));
  app.CreateDataFolders();  // present already: nothing to do, no error
}

TEST(DataFolders, OnlyTheUserFolderIsAddedBesideOtherUsers) {
  CTempDir install(L"folders");
  ASSERT_TRUE(::CreateDirectoryW((install / L"userdata").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW((install / L"userdata\\bob").c_str(), nullptr));
  CApp(install.Path(), L"alice").CreateDataFolders();
  EXPECT_EQ((std::vector<std::wstring>{L"alice", L"bob"}), ListFolder(install / L"userdata"));
}

TEST(DataFolders, TwoUsersKeepTwoSettingsFiles) {
  CTempDir install(L"folders");
  for (const wchar_t* user : {L"alice", L"ボブ"}) {
    CApp app(install.Path(), user);
    app.CreateDataFolders();
    CSettings s;
    s.SetIniFilePath(app.GetIniFilePath());
    s.dateTimeConnection = user[0] == L'a' ? 1 : 2;
    SaveSettings(s);
  }
  for (const wchar_t* user : {L"alice", L"ボブ"}) {
    CSettings s;
    s.SetIniFilePath(CApp(install.Path(), user).GetIniFilePath());
    LoadSettings(s);
    EXPECT_EQ(user[0] == L'a' ? 1 : 2, s.dateTimeConnection) << U8(user);
  }
}

TEST(DataFolders, FailureNamesTheFolderThatCouldNotBeMade) {
  CTempDir install(L"folders");
  // No install folder: "userdata" cannot be made, and the user folder is not attempted.
  try {
    CApp(install / L"gone", L"alice").CreateDataFolders();
    FAIL() << "no error";
  } catch (const CAppError& e) {
    EXPECT_EQ(U8(L"ユーザーデータフォルダの作成に失敗しました。\n【パス】" + install / L"gone\\userdata"), e.what());
  }
  // A user name the file system refuses: the data folder is made, the user folder is reported.
  try {
    CApp(install.Path(), L"bad|name").CreateDataFolders();
    FAIL() << "no error";
  } catch (const CAppError& e) {
    EXPECT_EQ(U8(L"ログインユーザーデータフォルダの作成に失敗しました。\n【パス】" + install / L"userdata\\bad|name"),
              e.what());
  }
  EXPECT_TRUE(IsDirectory(install / L"userdata"));
}

TEST(DataFolders, AFileWhereAFolderBelongsIsAFailureWithItsPath) {
  CTempDir install(L"folders");
  const std::wstring userdata = install / L"userdata", user = install / L"userdata\\alice";
  for (const auto& [file, message] : {std::pair{userdata, L"ユーザーデータフォルダの作成に失敗しました。\n【パス】"},
                                      std::pair{user, L"ログインユーザーデータフォルダの作成に失敗しました。\n【パス】"}}) {
    if (file == user) {
      ASSERT_TRUE(::CreateDirectoryW(userdata.c_str(), nullptr));
    }
    WriteBytes(file, "a file");
    try {
      CApp(install.Path(), L"alice").CreateDataFolders();
      ADD_FAILURE() << "no error for " << U8(file);
    } catch (const CAppError& e) {
      EXPECT_EQ(U8(message + file), e.what());
    }
    EXPECT_EQ("a file", ReadBytes(file));
    ::DeleteFileW(file.c_str());
  }
}

TEST(DataFolders, OverlongPathsAreReportedNotCut) {
  std::wstring deep = L"C:\\" + std::wstring(240, L'x');
  CApp app(deep, L"alice");
  try {
    app.GetIniFilePath();
    FAIL() << "an over-long settings path was accepted";
  } catch (const CAppError& e) {
    EXPECT_EQ(U8(L"パスが長すぎます。\n【パス】" + deep + L"\\userdata\\alice\\tavrino.ini"), e.what());
  }
  EXPECT_THROW(app.CreateDataFolders(), CAppError);
}

TEST(ErrorConvention, JapaneseTextSurvivesAsUtf8) {
  CAppError e(L"設定データのロード時にエラーが発生しました。");
  EXPECT_EQ(U8(L"設定データのロード時にエラーが発生しました。"), e.what());
  EXPECT_EQ(L"設定データのロード時にエラーが発生しました。", ErrorText(e));
  EXPECT_EQ(L"アクセスが拒否されました。", SystemMessage(ERROR_ACCESS_DENIED).substr(0, 13));
  EXPECT_EQ(L"【内容】x", FillPlaceholder(L"【内容】%s", L"x"));
  EXPECT_EQ(L"a%sb", FillPlaceholder(L"%s", L"a%sb")) << "a value is never read as a template";
}

}  // namespace
