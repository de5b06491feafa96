// The settings record against real INI files, under code page 932.
#include <gtest/gtest.h>

#include <string>

#include "catalogue.h"
#include "settings.h"
#include "test_support.h"

namespace {

class SettingsFile : public ::testing::Test {
protected:
  CTempDir dir{L"settings"};
  std::wstring path = dir / L"tavrino.ini";

  CSettings Load() {
    CSettings s;
    s.SetIniFilePath(path);
    LoadSettings(s);
    return s;
  }
  // Settings files written by hand or by earlier versions are ANSI text: code page 932 here.
  void WriteIni(const std::wstring& body) {
    std::string bytes = ToThreadAnsi(L"[Default]\r\n" + body);
    WriteBytes(path, bytes);
  }
  // The text of a file saved from nothing, which must be UTF-16 with its byte-order mark.
  std::wstring ReadUnicodeIni() {
    std::string bytes = ReadBytes(path);
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) {
      ADD_FAILURE() << "no UTF-16 byte-order mark";
      return {};
    }
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
  }
};

TEST_F(SettingsFile, MissingFileGivesEveryDefault) {
  CSettings s = Load();
  EXPECT_FALSE(s.enableExplorerRenameExt);
  EXPECT_FALSE(s.enableContextMenuExt);
  EXPECT_STREQ(L"0,1,2", s.renameExtFileNamePartSelectOrder);
  EXPECT_STREQ(L"0,1,2", s.renameExtFileNamePartCheckList);
  EXPECT_FALSE(s.renameExtSelectExceptPeriod || s.renameExtExtendHomeEnd || s.renameExtHomeEndInSelection ||
               s.renameExtInsertDate || s.renameExtInsertDateTimeInShift || s.renameExtAddUnderbarOnDate ||
               s.renameExtClearInTab || s.renameExtEnableExtAtAllEdit);
  EXPECT_STREQ(L"7,8,9,10,14,16,0,5,6,0,11,12,18,19,20,21,0,17,0,13,15,0,1,2,3,4", s.contextMenuExtMenuItems);
  EXPECT_EQ(63u, std::wstring(s.contextMenuExtMenuItems).size());
  EXPECT_EQ(DefaultMenuItemsText(), s.contextMenuExtMenuItems);
  EXPECT_TRUE(s.contextMenuExtAddUnderbarOnDate);
  EXPECT_STREQ(L"%Y%m%d", s.dateFormat);
  EXPECT_STREQ(L"%Y%m%d_%H%M%S", s.dateTimeFormat);
  EXPECT_EQ(0, s.dateTimeConnection);
  EXPECT_FALSE(PathExists(path)) << "reading never creates the file";
}

TEST_F(SettingsFile, BooleansReadTrueOnlyForTheWordTrueInAnyCase) {
  WriteIni(L"EnableContextMenuExt=TRUE\r\nEnableExplorerRenameExt=true\r\nRenameExt_ClearInTab=1\r\n"
           L"RenameExt_InsertDate=yes\r\nContextMenuExt_AddUnderbarOnDate=\r\n");
  CSettings s = Load();
  EXPECT_TRUE(s.enableContextMenuExt);
  EXPECT_TRUE(s.enableExplorerRenameExt);
  EXPECT_FALSE(s.renameExtClearInTab);
  EXPECT_FALSE(s.renameExtInsertDate);
  EXPECT_FALSE(s.contextMenuExtAddUnderbarOnDate) << "present but empty is not True";
}

TEST_F(SettingsFile, AbsentUnderbarKeyReadsTrueWhileOtherBooleansReadFalse) {
  WriteIni(L"EnableContextMenuExt=True\r\n");
  CSettings s = Load();
  EXPECT_TRUE(s.contextMenuExtAddUnderbarOnDate);
  EXPECT_FALSE(s.renameExtAddUnderbarOnDate);
}

TEST_F(SettingsFile, EmptyMenuListStaysEmptyAndLongValuesAreCut) {
  WriteIni(L"ContextMenuExt_MenuItems=\r\n"
           L"DateFormat=%Y%m%d%Y%m%d%Y%m%d%Y%m%d%Y%m%d%Y%m%d%Y%m%d%Y%m%d\r\n"  // 48 characters
           L"RenameExt_FileNamePartSelectOrder=2,1,0,1,2\r\n"
           L"DateTimeConnectionString=abc\r\n");
  CSettings s = Load();
  EXPECT_STREQ(L"", s.contextMenuExtMenuItems);
  EXPECT_EQ(std::wstring(L"%Y%m%d%Y%m%d%Y%m%d%Y%m%d%Y%m%d"), s.dateFormat);
  EXPECT_STREQ(L"2,1,0", s.renameExtFileNamePartSelectOrder);
  EXPECT_EQ(0, s.dateTimeConnection);
}

TEST_F(SettingsFile, FortyCharacterFormatKeepsItsFirstThirty) {
  std::wstring forty = L"0123456789012345678901234567890123456789";
  WriteIni(L"DateTimeFormat=" + forty + L"\r\n");
  EXPECT_EQ(forty.substr(0, 30), Load().dateTimeFormat);
}

TEST_F(SettingsFile, NegativeAndOutOfRangeConnectorsAreStoredAsGiven) {
  WriteIni(L"DateTimeConnectionString=-1\r\n");
  EXPECT_EQ(-1, Load().dateTimeConnection);
  WriteIni(L"DateTimeConnectionString=7\r\n");
  EXPECT_EQ(7, Load().dateTimeConnection);
}

TEST_F(SettingsFile, SavingDefaultsWritesTheSeventeenKeysInOrder) {
  CSettings s = Load();
  SaveSettings(s);
  std::wstring text = ReadUnicodeIni();
  const wchar_t* expected =
      L"[Default]\r\n"
      L"EnableExplorerRenameExt=False\r\n"
      L"EnableContextMenuExt=False\r\n"
      L"RenameExt_FileNamePartCheckList=0,1,2\r\n"
      L"RenameExt_FileNamePartSelectOrder=0,1,2\r\n"
      L"RenameExt_SelectExceptPeriod=False\r\n"
      L"RenameExt_ExtendHomeEnd=False\r\n"
      L"RenameExt_HomeEndInSelection=False\r\n"
      L"RenameExt_InsertDate=False\r\n"
      L"RenameExt_InsertDateTimeInShift=False\r\n"
      L"RenameExt_AddUnderbarOnDate=False\r\n"
      L"RenameExt_ClearInTab=False\r\n"
      L"RenameExt_EnableExtAtAllEdit=False\r\n"
      L"ContextMenuExt_MenuItems=7,8,9,10,14,16,0,5,6,0,11,12,18,19,20,21,0,17,0,13,15,0,1,2,3,4\r\n"
      L"ContextMenuExt_AddUnderbarOnDate=True\r\n"
      L"DateFormat=%Y%m%d\r\n"
      L"DateTimeFormat=%Y%m%d_%H%M%S\r\n"
      L"DateTimeConnectionString=0\r\n";
  EXPECT_EQ(U8(expected), U8(text));
}

TEST_F(SettingsFile, EveryValueRoundTripsIncludingJapaneseText) {
  WriteIni(L"");  // an existing ANSI file stays ANSI
  CSettings s;
  s.SetIniFilePath(path);
  s.enableExplorerRenameExt = true;
  s.renameExtExtendHomeEnd = true;
  s.renameExtEnableExtAtAllEdit = true;
  wcscpy(s.renameExtFileNamePartCheckList, L"2");
  wcscpy(s.renameExtFileNamePartSelectOrder, L"");
  wcscpy(s.contextMenuExtMenuItems, L"1,0,17");
  s.contextMenuExtAddUnderbarOnDate = false;
  wcscpy(s.dateFormat, L"%Y年%m月%d日");
  wcscpy(s.dateTimeFormat, L"%H時%M分");
  s.dateTimeConnection = 2;
  SaveSettings(s);

  CSettings back = Load();
  EXPECT_TRUE(back.enableExplorerRenameExt);
  EXPECT_FALSE(back.enableContextMenuExt);
  EXPECT_TRUE(back.renameExtExtendHomeEnd);
  EXPECT_TRUE(back.renameExtEnableExtAtAllEdit);
  EXPECT_STREQ(L"2", back.renameExtFileNamePartCheckList);
  EXPECT_STREQ(L"", back.renameExtFileNamePartSelectOrder);
  EXPECT_STREQ(L"1,0,17", back.contextMenuExtMenuItems);
  EXPECT_FALSE(back.contextMenuExtAddUnderbarOnDate);
  EXPECT_EQ(U8(L"%Y年%m月%d日"), U8(back.dateFormat));
  EXPECT_EQ(U8(L"%H時%M分"), U8(back.dateTimeFormat));
  EXPECT_EQ(2, back.dateTimeConnection);
  // The file itself is still code page 932 text, as the platform writes into an ANSI file.
  EXPECT_NE(std::string::npos, ReadBytes(path).find("DateFormat=%Y\x94\x4e%m\x8c\x8e%d\x93\xfa"));
}

TEST_F(SettingsFile, FileSavedFromNothingKeepsCharactersOutsideTheCodePage) {
  CSettings s;
  s.SetIniFilePath(path);
  wcscpy(s.dateFormat, L"%Y年%m月é한");  // é and 한 have no place in code page 932
  wcscpy(s.dateTimeFormat, L"%H時%M分");
  SaveSettings(s);
  CSettings back = Load();
  EXPECT_EQ(U8(L"%Y年%m月é한"), U8(back.dateFormat));
  EXPECT_EQ(U8(L"%H時%M分"), U8(back.dateTimeFormat));
  EXPECT_NE(std::wstring::npos, ReadUnicodeIni().find(L"DateFormat=%Y年%m月é한\r\n"));

  SaveSettings(back);  // saving again into the file it made keeps it so
  EXPECT_EQ(U8(L"%Y年%m月é한"), U8(Load().dateFormat));
}

TEST_F(SettingsFile, ValuesWithBlanksOrQuotesAtTheEndsRoundTrip) {
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "existing ANSI file" : "new file");
    ::DeleteFileW(path.c_str());
    if (existing) WriteIni(L"");
    CSettings s;
    s.SetIniFilePath(path);
    wcscpy(s.dateFormat, L" %Y ");
    wcscpy(s.dateTimeFormat, L"'%H'");
    wcscpy(s.contextMenuExtMenuItems, L"\"1\"");
    wcscpy(s.renameExtFileNamePartCheckList, L"　2");  // an ideographic space
    SaveSettings(s);
    CSettings back = Load();
    EXPECT_EQ(U8(L" %Y "), U8(back.dateFormat));
    EXPECT_EQ(U8(L"'%H'"), U8(back.dateTimeFormat));
    EXPECT_EQ(U8(L"\"1\""), U8(back.contextMenuExtMenuItems));
    EXPECT_EQ(U8(L"　2"), U8(back.renameExtFileNamePartCheckList));
    EXPECT_STREQ(L"0,1,2", back.renameExtFileNamePartSelectOrder) << "plain values stay unquoted";
  }
  EXPECT_NE(std::string::npos, ReadBytes(path).find("DateFormat=\" %Y \"\r\n"));
  EXPECT_NE(std::string::npos, ReadBytes(path).find("RenameExt_FileNamePartSelectOrder=0,1,2\r\n"));
}

TEST_F(SettingsFile, FailedWriteStopsAtTheFirstKeyWithTheSystemText) {
  // As root under Wine a read-only file can still be written, so fail it another way:
  // a folder that does not exist, and a path that names a folder.
  for (const std::wstring& target : {dir / L"missing\\tavrino.ini", dir.Path()}) {
    CSettings s;
    s.SetIniFilePath(target);
    try {
      SaveSettings(s);
      ADD_FAILURE() << "saving to " << U8(target) << " succeeded";
    } catch (const CIniFileException& e) {
      EXPECT_NE(0u, e.Code());
      EXPECT_EQ(U8(SystemMessage(e.Code())), e.what());
    }
  }
  EXPECT_FALSE(PathExists(dir / L"missing"));
  EXPECT_TRUE(ListFolder(dir.Path()).empty()) << "nothing was written";
}

TEST(SettingsRecord, CopiesOwnTheirPath) {
  CSettings a;
  a.SetIniFilePath(L"C:\\a\\tavrino.ini");
  wcscpy(a.dateFormat, L"%d");
  CSettings b = a;
  a.SetIniFilePath(L"C:\\b\\tavrino.ini");
  EXPECT_EQ(L"C:\\a\\tavrino.ini", b.GetIniFilePath());
  EXPECT_STREQ(L"%d", b.dateFormat);
  EXPECT_NE(a.iniFilePath, b.iniFilePath);
  b = b;
  EXPECT_EQ(L"C:\\a\\tavrino.ini", b.GetIniFilePath());
}

}  // namespace
