// The settings record against real INI files, under code page 932.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "catalogue.h"
#include "handles.h"
#include "settings.h"
#include "test_support.h"
#include "text.h"
#include "windows_probe.h"

namespace {

using namespace std::string_literals;

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

TEST_F(SettingsFile, SaveIntoAFolderThatIsNotThereFailsWithTheSystemTextAndWritesNothing) {
  // As root under Wine a read-only file can still be written: a folder that does not exist, and a
  // path that names a folder, fail for real.
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

TEST_F(SettingsFile, AFileHeldOnAndOffByAnotherProgramLoadsAndSavesWholeEveryTime) {
  WriteIni(L"ContextMenuExt_MenuItems=1,2,3\r\nDateFormat=%d\r\nEnableExplorerRenameExt=True\r\n");
  // As backup, sync and antivirus tools do while a file changes: held for 40 ms of every 43.
  std::atomic<bool> stop{false};
  std::thread holder([&] {
    while (!stop) {
      {
        CFileHandle held(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ::Sleep(40);
      }
      ::Sleep(3);
    }
  });
  for (int i = 0; i < 20; ++i) {
    ::Sleep(7);  // at another moment of the cycle each time
    CSettings s;
    s.SetIniFilePath(path);
    LoadSettingsChecked(s);
    EXPECT_STREQ(L"1,2,3", s.contextMenuExtMenuItems) << "load " << i;
    EXPECT_STREQ(L"%d", s.dateFormat) << "load " << i;
    EXPECT_TRUE(s.enableExplorerRenameExt) << "load " << i;
    s.dateTimeConnection = i;
    EXPECT_NO_THROW(SaveSettings(s)) << "save " << i;
  }
  stop = true;
  holder.join();
  CSettings saved;
  saved.SetIniFilePath(path);
  LoadSettingsChecked(saved);
  EXPECT_EQ(saved.dateTimeConnection, 19);
}

TEST_F(SettingsFile, FilesThatAreNotTextAreRefusedAndKeptWhileOddBytesInAValueAreNot) {
  const std::string utf16 = Utf16Bytes(L"[Default]\r\nDateFormat=%d", false);
  const struct {
    const char* what;
    std::string bytes;
    bool text;
  } cases[] = {
      {"UTF-16 without its byte-order mark", utf16, false},
      {"a NUL byte in 8-bit text", "[Default]\r\nDateFormat=%d\0\r\n"s, false},
      {"a NUL character in marked UTF-16", "\xFF\xFE"s + utf16 + "\0\0"s, false},
      {"odd bytes in a value, keys missing", "[Default]\r\nDateFormat=\x81\xFF%d\x80\r\nEnableContextMenuExt=True\r\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(path, c.bytes);
    CSettings s;
    s.SetIniFilePath(path);
    wcscpy(s.dateFormat, L"before");
    if (c.text) {
      LoadSettingsChecked(s);
      EXPECT_TRUE(s.enableContextMenuExt);
      EXPECT_NE(std::wstring::npos, std::wstring(s.dateFormat).find(L"%d"));
      EXPECT_STREQ(L"%Y%m%d_%H%M%S", s.dateTimeFormat) << "a missing key gives its default";
      continue;
    }
    try {
      LoadSettingsChecked(s);
      ADD_FAILURE() << "loaded";
    } catch (const CIniFormatError& e) {
      EXPECT_EQ(U8(L"設定ファイルが読み取れる形式ではありません。\n【パス】" + path), e.what());
    }
    EXPECT_STREQ(L"before", s.dateFormat) << "the record is left as it was";
    EXPECT_THROW(SaveSettings(s), CIniFormatError);
    EXPECT_EQ(c.bytes, ReadBytes(path));
    LoadSettings(s);
    EXPECT_STREQ(L"%Y%m%d", s.dateFormat) << "a reader that only shows things gets the defaults";
  }
}

TEST_F(SettingsFile, SaveKeepsEveryOtherLineAndTheFilesOwnEncoding) {
  const std::wstring before = L"; 設定\r\n[Other]\r\nDateFormat=keep\r\n[default]\r\n  DateFormat = old\r\nUnknown=値\r\n\r\n[Tail]\r\nx=y\r\n";
  const std::wstring after =
      L"; 設定\r\n[Other]\r\nDateFormat=keep\r\n[default]\r\nDateFormat=%Y年\r\nUnknown=値\r\n"
      L"EnableExplorerRenameExt=False\r\nEnableContextMenuExt=False\r\nRenameExt_FileNamePartCheckList=0,1,2\r\n"
      L"RenameExt_FileNamePartSelectOrder=0,1,2\r\nRenameExt_SelectExceptPeriod=False\r\nRenameExt_ExtendHomeEnd=False\r\n"
      L"RenameExt_HomeEndInSelection=False\r\nRenameExt_InsertDate=False\r\nRenameExt_InsertDateTimeInShift=False\r\n"
      L"RenameExt_AddUnderbarOnDate=False\r\nRenameExt_ClearInTab=False\r\nRenameExt_EnableExtAtAllEdit=False\r\n"
      L"ContextMenuExt_MenuItems=7,8,9,10,14,16,0,5,6,0,11,12,18,19,20,21,0,17,0,13,15,0,1,2,3,4\r\n"
      L"ContextMenuExt_AddUnderbarOnDate=True\r\nDateTimeFormat=%Y%m%d_%H%M%S\r\nDateTimeConnectionString=0\r\n"
      L"\r\n[Tail]\r\nx=y\r\n";
  const struct {
    const char* what;
    std::string mark;
    std::function<std::string(const std::wstring&)> encode;
    std::string oddLine;  // bytes no encoder makes, kept as they are
  } cases[] = {
      {"ANSI", "", [](const std::wstring& t) { return ToThreadAnsi(t); }, "Odd=\xFD\x81\xFF\r\n"},
      {"UTF-8", "\xEF\xBB\xBF", [](const std::wstring& t) { return ToUtf8(t); }, "Odd=\xC3\r\n"},
      {"UTF-16 LE", "\xFF\xFE", [](const std::wstring& t) { return Utf16Bytes(t, false); }, ""},
      {"UTF-16 BE", "\xFE\xFF", [](const std::wstring& t) { return Utf16Bytes(t, true); }, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(path, c.mark + c.encode(before) + c.oddLine);
    CSettings s = Load();
    EXPECT_STREQ(L"old", s.dateFormat);
    wcscpy(s.dateFormat, L"%Y年");
    SaveSettings(s);
    EXPECT_EQ(c.mark + c.encode(after) + c.oddLine, ReadBytes(path));
    EXPECT_EQ(std::vector<std::wstring>{L"tavrino.ini"}, ListFolder(dir.Path()));
  }
  // A value the file's code page cannot hold: the file becomes UTF-16, every line kept.
  WriteBytes(path, ToThreadAnsi(before));
  CSettings s = Load();
  wcscpy(s.dateFormat, L"%Y年é한");
  SaveSettings(s);
  EXPECT_EQ(U8(L"%Y年é한"), U8(Load().dateFormat));
  EXPECT_EQ(0u, ReadUnicodeIni().find(L"; 設定\r\n[Other]\r\nDateFormat=keep\r\n[default]\r\nDateFormat=%Y年é한\r\n"));
}

// 8-bit files whose text the code page's decoder reads across a line end: in code page 932 a lead
// byte takes the next byte as its trail byte even when that is "\r" or "\n". UTF-8 without a mark is
// read in that code page too, and "設定" in UTF-8 ends in 0x9A, a lead byte there; "\x83" is a cut
// double-byte character. A save changes the line of the key it writes and keeps every other byte;
// where the reader joins two lines, the key goes where the reader will find it.
TEST_F(SettingsFile, SaveKeepsTheBytesOfEveryLineItDoesNotWrite) {
  const std::string bom = "\xEF\xBB\xBF";
  const struct {
    const char* what;
    std::string before, after;
  } cases[] = {
      {"UTF-8 without mark, LF, Japanese comment and section",
       ToUtf8(L"; タブリノリネームの設定\n\n[Default]\nEnableContextMenuExt=True\nDateTimeConnectionString=0\n"
              L"[その他]\n名前=日本語のテキスト\nメモ=変更しないこと"),
       ToUtf8(L"; タブリノリネームの設定\n\n[Default]\nEnableContextMenuExt=True\nDateTimeConnectionString=2\n"
              L"[その他]\n名前=日本語のテキスト\nメモ=変更しないこと")},
      {"code page 932, LF, a line ending in a cut character",
       ToThreadAnsi(L"[Default]\nメモ=テスト") + "\x83\nNote=x\nDateTimeConnectionString=0\n",
       ToThreadAnsi(L"[Default]\nメモ=テスト") + "\x83\nNote=x\nDateTimeConnectionString=2\n"},
      {"CR and CRLF, cut lead bytes", "[Default]\rA=\x81\r\nDateTimeConnectionString=0\rB=\xE0\rC=d",
       "[Default]\rA=\x81\r\nDateTimeConnectionString=2\rB=\xE0\rC=d"},
      {"UTF-8 with its mark, a cut sequence", bom + "[Default]\nMemo=\xE5\xAE\nDateTimeConnectionString=0\n",
       bom + "[Default]\nMemo=\xE5\xAE\nDateTimeConnectionString=2\n"},
      {"the section's line joined to the line before", ToUtf8(L"; 設定\n[Default]\nDateTimeConnectionString=0\n"),
       ToUtf8(L"; 設定\n[Default]\nDateTimeConnectionString=0\n[Default]\nDateTimeConnectionString=2\n")},
      {"the key's line joined to the line before", "[Default]\nMemo=\x83\nDateTimeConnectionString=0\n",
       "[Default]\nMemo=\x83\nDateTimeConnectionString=0\nDateTimeConnectionString=2\n"},
      {"the last line's line break taken", "[Default]\nMemo=\x83\n", "[Default]\nMemo=\x83\n\nDateTimeConnectionString=2\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(path, c.before);
    CIniFile ini(path);
    ini.Read();
    ini.WriteInt(L"DateTimeConnectionString", 2);
    ini.Save();
    EXPECT_EQ(c.after, ReadBytes(path));
    EXPECT_EQ(2u, ::GetPrivateProfileIntW(L"Default", L"DateTimeConnectionString", 9, path.c_str()));
    ::DeleteFileW(path.c_str());  // the platform caches a file by its name and time
  }

  // A plain OK on such a file, with every key of the record in it, changes one line.
  SaveSettings(Load());
  const std::wstring section = ReplaceAll(ReadUnicodeIni(), L"\r\n", L"\n");
  const std::string before = ToUtf8(L"; タブリノリネームの設定\n\n" + section + L"[その他]\n名前=日本語のテキスト\n");
  WriteBytes(path, before);
  CSettings s = Load();
  s.enableContextMenuExt = true;
  SaveSettings(s);
  EXPECT_EQ(ReplaceAll(FromUtf8(before), L"EnableContextMenuExt=False", L"EnableContextMenuExt=True"),
            FromUtf8(ReadBytes(path)));

  // Generated files: Japanese in UTF-8 and in code page 932, cut characters, LF, CRLF and CR mixed,
  // keys and sections that do not count; the key's line follows a plain one, so the reader sees it.
  std::mt19937 rng(20);
  auto number = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::string lines[] = {ToUtf8(L"; タブリノリネームの設定"), ToUtf8(L"名前=日本語のテキスト"),
                               ToUtf8(L"メモ=変更しないこと"), ToThreadAnsi(L"メモ=変更しないこと"),
                               ToThreadAnsi(L"; 設定") + "\x83", "Memo=abc\x81", "\xE0", "", "  ", "x=\xE5\xAE", "\xF0\x9F\x98",
                               "DateFormat=%d"};
  const std::string laterLines[] = {"[Other]", ToUtf8(L"[その他]"), "[Default]", "DateTimeConnectionString=9"};
  const char* breaks[] = {"\r\n", "\n", "\r"};
  for (int file = 0; file < 300; ++file) {
    auto some = [&](std::string& out, bool later) {
      for (int n = number(6); n > 0; --n) {
        out += later && number(3) == 0 ? laterLines[number(4)] : lines[number(static_cast<int>(std::size(lines)))];
        out += breaks[number(3)];
      }
    };
    std::string head = number(4) == 0 ? bom : "";
    some(head, false);
    head += std::string("; -") + breaks[number(3)] + "[Default]" + breaks[number(3)];
    some(head, false);
    head += std::string("; -") + breaks[number(3)] + "DateTimeConnectionString=";
    std::string tail = breaks[number(3)];
    some(tail, true);
    if (number(3) == 0) tail += lines[number(static_cast<int>(std::size(lines)))];  // without a line break
    const std::wstring generated = dir / (L"gen" + std::to_wstring(file) + L".ini");
    WriteBytes(generated, head + "0" + tail);
    CIniFile ini(generated);
    ini.Read();
    ini.WriteInt(L"DateTimeConnectionString", 2);
    ini.Save();
    ASSERT_EQ(head + "2" + tail, ReadBytes(generated)) << "file " << file;
    EXPECT_EQ(2u, ::GetPrivateProfileIntW(L"Default", L"DateTimeConnectionString", 9, generated.c_str()));
    ::DeleteFileW(generated.c_str());
  }
}

// A save that fails leaves the old file byte for byte, and no temporary file beside it.
void ExpectSaveFailsAndKeepsTheFile(const std::wstring& path) {
  const std::wstring folder = FolderPart(path);
  const std::string old = ReadBytes(path);
  const std::vector<std::wstring> names = ListFolder(folder);
  CSettings s;
  s.SetIniFilePath(path);
  wcscpy(s.dateFormat, L"%Y-%m-%d");
  try {
    SaveSettings(s);
    ADD_FAILURE() << "saved";
  } catch (const CIniFileException& e) {
    EXPECT_EQ(U8(SystemMessage(e.Code())), e.what());
  }
  EXPECT_EQ(old, ReadBytes(path));
  EXPECT_EQ(names, ListFolder(folder));
}

TEST_F(SettingsFile, SaveOverAFileAnotherProgramHoldsFailsAndKeepsIt) {
  WriteIni(L"DateFormat=%d\r\n; a comment\r\n");
  CFileHandle held(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 0, nullptr));
  ASSERT_TRUE(held);
  ExpectSaveFailsAndKeepsTheFile(path);
}

TEST_F(SettingsFile, SaveKeepsTheFilesAttributes) {
  // Wine stores hidden and system but not "not content indexed", and as root it reports no file as
  // read-only: Windows refuses to replace a read-only settings file, and the save leaves it so.
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  WriteIni(L"DateFormat=%d\r\n");
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), kept));
  CSettings s = Load();
  s.dateTimeConnection = 2;
  SaveSettings(s);
  EXPECT_EQ(kept, ::GetFileAttributesW(path.c_str()) & kept);
  EXPECT_EQ(2, Load().dateTimeConnection);
  EXPECT_EQ(std::vector<std::wstring>{L"tavrino.ini"}, ListFolder(dir.Path()));
}

TEST_F(SettingsFile, LeftoversOfEndedSavesAreRemovedOnceAMinuteOld) {
  // What a save ended in the middle leaves beside the settings file, and what is not such a leftover.
  const std::vector<std::wstring> leftovers = {L"tav0A1B.tmp", L"TAVFFFF.TMP", L"tavrino.tmp"};
  const std::vector<std::wstring> others = {L"other.tmp", L"tav12345.tmp", L"tavern.tmp", L"tav0A1B.ini",
                                            L"tavrino.ini"};
  for (const auto* names : {&leftovers, &others})
    for (const std::wstring& name : *names) {
      WriteBytes(dir / name, "x");
      ASSERT_TRUE(AgeFile(dir / name, 120));
    }
  WriteBytes(dir / L"tav0C2D.tmp", "a save that runs now");
  RemoveSaveLeftovers(path);
  std::vector<std::wstring> expected = others;
  expected.push_back(L"tav0C2D.tmp");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, ListFolder(dir.Path()));
}

// Faults that take root to set up, made by tests/save_faults.sh: a settings file on a full file
// system and an immutable one. Skipped when the program runs without it. On Windows the read-only
// attribute holds for everyone, and a full disk would take administrator rights to make.
TEST(SettingsSaveFault, FullDiskAndImmutableFileFailAndKeepTheFile) {
  if (!RunsOnWine()) {
    CTempDir dir(L"readonly");
    WriteBytes(dir / L"tavrino.ini", "[Default]\r\nDateFormat=%d\r\n");
    ASSERT_TRUE(::SetFileAttributesW((dir / L"tavrino.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    ExpectSaveFailsAndKeepsTheFile(dir / L"tavrino.ini");
    GTEST_SKIP() << "skipped on Windows: a full disk takes administrator rights to make (a read-only file was tried)";
  }
  for (const wchar_t* variable : {L"TAVRINO_FULL_DISK_INI", L"TAVRINO_IMMUTABLE_INI"}) {
    const wchar_t* path = _wgetenv(variable);
    if (!path) GTEST_SKIP() << "run by save_faults.sh";
    SCOPED_TRACE(U8(variable));
    ExpectSaveFailsAndKeepsTheFile(path);
  }
}

// Started by the test below: saves two records in turn until it is ended.
TEST(SettingsSaveChild, SavesUntilEnded) {
  const wchar_t* path = _wgetenv(L"TAVRINO_SAVE_FOREVER");
  if (!path) GTEST_SKIP() << "started by SaveEndedAtAnyMomentLeavesTheOldOrTheNewFile";
  CSettings a, b;
  a.SetIniFilePath(path);
  b.SetIniFilePath(path);
  wcscpy(a.dateFormat, L"%Y");
  a.dateTimeConnection = 1;
  wcscpy(b.dateFormat, L"%m");
  b.dateTimeConnection = 2;
  for (unsigned i = 0;; ++i) SaveSettings(i % 2 ? a : b);
}

TEST_F(SettingsFile, SaveEndedAtAnyMomentLeavesTheOldOrTheNewFile) {
  WriteIni(L"DateFormat=%Y\r\nDateTimeConnectionString=1\r\n");
  const std::string initial = ReadBytes(path);
  bool saved = false;
  std::mt19937 rng(15);
  for (int round = 0; round < 8; ++round) {
    CTestProcess saver = CTestProcess::WithEnvironment(TestDir() + L"\\settings_test.exe",
                                                       L"--gtest_filter=SettingsSaveChild.*",
                                                       {L"TAVRINO_SAVE_FOREVER=" + path});
    ::Sleep(400 + rng() % 400);
    saver.Kill();
    const CSettings s = Load();
    const bool a = std::wstring(s.dateFormat) == L"%Y" && s.dateTimeConnection == 1;
    const bool b = std::wstring(s.dateFormat) == L"%m" && s.dateTimeConnection == 2;
    EXPECT_TRUE(a || b) << "round " << round << ": " << U8(s.dateFormat) << " " << s.dateTimeConnection;
    saved = saved || ReadBytes(path) != initial;
  }
  EXPECT_TRUE(saved) << "the saving program never got to save";
}

constexpr int kRaceSaves = 400;

// Started twice by the test below, as writer A and writer B: saves values of its own in a loop and
// notes for each save when it ran, whether it reported success and, after a success, whose values
// the file held right then ("A17": the 17th save of writer A).
TEST(SettingsSaveChild, SavesBesideAnotherWriter) {
  const wchar_t* path = _wgetenv(L"TAVRINO_SAVE_RACE");
  if (!path) GTEST_SKIP() << "started by TwoWritersAtOnceReportExactlyWhatTheySaved";
  const std::wstring writer = _wgetenv(L"TAVRINO_SAVE_RACE_WRITER");
  FILE* log = _wfopen(_wgetenv(L"TAVRINO_SAVE_RACE_LOG"), L"w");
  ASSERT_TRUE(log);
  for (int i = 0; i < kRaceSaves; ++i) {
    CSettings s;
    s.SetIniFilePath(path);
    wcscpy(s.dateFormat, (writer + std::to_wstring(i)).c_str());
    s.dateTimeConnection = i;
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    bool saved = true;
    try {
      SaveSettings(s);
    } catch (const CAppError&) {
      saved = false;
    }
    ::QueryPerformanceCounter(&end);
    std::string seen = "-";
    if (saved) {
      CSettings now;
      now.SetIniFilePath(path);
      try {
        LoadSettingsChecked(now);
        seen = U8(now.dateFormat);
        // Values of two saves in one file would be a broken save.
        if (std::to_wstring(now.dateTimeConnection) != std::wstring(now.dateFormat).substr(1)) seen = "mixed";
      } catch (const CAppError&) {
        seen = "unreadable";
      }
    }
    std::fprintf(log, "%s%d %lld %lld %d %s\n", U8(writer).c_str(), i, start.QuadPart, end.QuadPart, saved, seen.c_str());
  }
  std::fclose(log);
}

TEST_F(SettingsFile, TwoWritersAtOnceReportExactlyWhatTheySaved) {
  WriteIni(L"DateFormat=start\r\n");
  CTempDir logs(L"logs");
  {
    std::vector<CTestProcess> writers;
    for (const wchar_t* writer : {L"A", L"B"})
      writers.push_back(CTestProcess::WithEnvironment(
          TestDir() + L"\\settings_test.exe", L"--gtest_filter=SettingsSaveChild.SavesBesideAnotherWriter",
          {L"TAVRINO_SAVE_RACE=" + path, L"TAVRINO_SAVE_RACE_WRITER=" + std::wstring(writer),
           L"TAVRINO_SAVE_RACE_LOG=" + logs / writer}));
    for (const CTestProcess& writer : writers) ASSERT_EQ(std::optional<DWORD>(0), writer.WaitForExit(240000));
  }
  struct CSave {
    long long start = 0, end = 0;
    bool saved = false;
    std::string seen;
  };
  std::map<std::string, CSave> saves;
  for (const wchar_t* writer : {L"A", L"B"}) {
    std::istringstream log(ReadBytes(logs / writer));
    std::string name;
    CSave save;
    while (log >> name >> save.start >> save.end >> save.saved >> save.seen) saves[name] = save;
  }
  ASSERT_EQ(2u * kRaceSaves, saves.size());
  int succeeded[2] = {};
  for (const auto& [name, save] : saves) {
    if (!save.saved) continue;
    ++succeeded[name[0] - 'A'];
    // Right after a success the file holds this save's values, or those of a save of the other
    // writer that had not ended when this one began; and never values of a save that failed.
    const auto seen = saves.find(save.seen);
    ASSERT_NE(saves.end(), seen) << name << " saw " << save.seen;
    EXPECT_TRUE(seen->first == name || (seen->first[0] != name[0] && seen->second.end > save.start))
        << name << " reported success, but the file then held " << seen->first;
    EXPECT_TRUE(seen->second.saved) << seen->first << " reported failure, but " << name << " found its values";
  }
  EXPECT_GT(succeeded[0], 0);
  EXPECT_GT(succeeded[1], 0);
  const auto last = saves.find(U8(Load().dateFormat));
  ASSERT_NE(saves.end(), last);
  EXPECT_TRUE(last->second.saved) << last->first << " reported failure, but its values stay";
  EXPECT_EQ(std::vector<std::wstring>{L"tavrino.ini"}, ListFolder(dir.Path()));
}

// The keys the settings record reads.
const wchar_t* const kKeys[] = {
    L"EnableExplorerRenameExt", L"EnableContextMenuExt", L"RenameExt_FileNamePartSelectOrder",
    L"RenameExt_FileNamePartCheckList", L"RenameExt_SelectExceptPeriod", L"RenameExt_ExtendHomeEnd",
    L"RenameExt_HomeEndInSelection", L"RenameExt_InsertDate", L"RenameExt_InsertDateTimeInShift",
    L"RenameExt_AddUnderbarOnDate", L"RenameExt_ClearInTab", L"RenameExt_EnableExtAtAllEdit",
    L"ContextMenuExt_MenuItems", L"ContextMenuExt_AddUnderbarOnDate", L"DateFormat", L"DateTimeFormat",
    L"DateTimeConnectionString"};

// Settings files as people, editors and older versions leave them, in every encoding the
// platform knows.
class CIniGenerator {
public:
  explicit CIniGenerator(unsigned seed) : rng_(seed) {}

  std::string File() {
    encoding_ = Pick<int>({0, 0, 1, 2, 3});  // ANSI, UTF-8, UTF-16 LE, UTF-16 BE
    bytes_ = encoding_ == 1 ? "\xEF\xBB\xBF" : encoding_ == 2 ? "\xFF\xFE" : encoding_ == 3 ? "\xFE\xFF" : "";
    const wchar_t* breaks[] = {L"\r\n", L"\r\n", L"\r\n", L"\n", L"\r"};
    for (int n = Number(0, 30); n > 0; --n) {
      Line();
      Text(breaks[Number(0, 4)]);
    }
    if (Chance(3)) Line();  // the last line without a break
    // An odd byte at the end of UTF-16 (Wine makes it a character with a high byte from beyond the
    // file's data, where nothing can agree with it: only after a line break here).
    else if (encoding_ >= 2 && Chance(10)) bytes_ += 'x';
    return bytes_;
  }

private:
  template <typename T>
  T Pick(std::initializer_list<T> items) {
    return items.begin()[Number(0, static_cast<int>(items.size()) - 1)];
  }
  int Number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  bool Chance(int oneIn) { return Number(1, oneIn) == 1; }

  void Text(const std::wstring& text) {
    if (encoding_ == 0) bytes_ += ToThreadAnsi(text);
    else if (encoding_ == 1) bytes_ += ToUtf8(text);
    else bytes_ += Utf16Bytes(text, encoding_ == 3);
  }
  // Bytes no encoder makes: stray lead bytes, invalid sequences.
  void OddBytes() {
    if (encoding_ <= 1) bytes_ += Pick<const char*>({"\x81", "\xFF", "\x80\xA0", "\xC3", "\xE3\x81", "\xFD\xFE"});
    else Text(std::wstring(1, Pick<wchar_t>({0xD800, 0xDC00, 0xFFFF})));
  }
  std::wstring Blanks() {
    return Pick<const wchar_t*>({L"", L"", L"", L" ", L"\t", L"  ", L"\x3000", L" \t ", L"\x0B", L"\x1A", L"\xA0",
                                 L"\x2003", L"\x1F", L"\x85", L"\x200B", L"\xFEFF", L"\x180E"});
  }
  std::wstring Cased(std::wstring name) {
    for (wchar_t& c : name)
      if (Chance(4) && c < 128 && std::isalpha(c)) c ^= 0x20;
    return name;
  }
  std::wstring Name() {
    if (Number(0, 9) < 7) return Cased(kKeys[Number(0, 16)]);
    return Pick<const wchar_t*>({L"Other", L"DateFormat2", L"Date Format", L"ＤａｔｅＦｏｒｍａｔ", L"日付", L"", L"[x]"});
  }
  std::wstring Value() {
    switch (Number(0, 7)) {
      case 0: return Pick<const wchar_t*>({L"True", L"False", L"true", L"TRUE", L"1", L"yes", L"", L"Tru e"});
      case 1: return Pick<const wchar_t*>({L"2", L"-1", L"0x1F", L"+7", L"0b101", L"0o17", L"12abc", L"99999999999",
                                           L"-", L"  3", L"0x", L"\x3000" L"5", L"４", L"-2147483649"});
      case 2: return Pick<const wchar_t*>({L"%Y年%m月%d日", L"テスト値", L"1,0,17", L"a=b", L"%H時%M分 "});
      case 3: {
        const wchar_t quote = Pick<wchar_t>({L'"', L'\''});
        std::wstring inner = Pick<const wchar_t*>({L"", L"x", L" padded ", L"'", L"\"", L"年"});
        return Pick<int>({0, 1, 2}) == 0 ? quote + inner : quote + inner + quote;
      }
      case 4: {  // about the read limit
        std::wstring v(static_cast<std::size_t>(Number(1015, 1030)), static_cast<wchar_t>(L'a' + Number(0, 25)));
        if (Chance(2)) v = L"\"" + v + L"\"";
        return v;
      }
      case 5: {
        std::wstring v;
        const wchar_t alphabet[] = L"abcXYZ019 ;=[]\"'%_,.\x3000\xA0\x2003\x1A\x01\x7F\x1C漢字ｶﾅ";
        for (int n = Number(0, 12); n > 0; --n) v += alphabet[Number(0, static_cast<int>(std::size(alphabet)) - 2)];
        return v;
      }
      default: return L"";
    }
  }
  void Line() {
    switch (Number(0, 11)) {
      case 0: return Text(Pick<const wchar_t*>({L"; comment", L"# note", L";DateFormat=%y", L"", L"   "}));
      case 1:
      case 2: {
        Text(Blanks() + L"[" + Cased(Pick<const wchar_t*>({L"Default", L"Default", L" Default", L"Default ", L"Other",
                                                           L"デフォルト", L"Def ault", L""})));
        if (!Chance(8)) Text(Pick<const wchar_t*>({L"]", L"]", L"] ; x", L"]]"}));
        return Text(Blanks());
      }
      case 3: return Text(Blanks() + Name() + Blanks());  // no "="
      default:
        Text(Blanks() + Name() + Blanks() + L"=" + Blanks() + Value());
        if (Chance(6)) OddBytes();
        return Text(Blanks());
    }
  }

  std::mt19937 rng_;
  int encoding_ = 0;
  std::string bytes_;
};

TEST_F(SettingsFile, OneReadingGivesWhatThePlatformsProfileFunctionsGiveForEveryKey) {
  CIniGenerator generator(20261207);
  const int files = 2000;
  int failures = 0;
  for (int i = 0; i < files && failures < 10; ++i) {
    // A new name for each file: the platform caches what it has read by name and time.
    const std::wstring file = dir / (L"gen" + std::to_wstring(i) + L".ini");
    const std::string bytes = generator.File();
    WriteBytes(file, bytes);
    CIniFile ini(file);
    ini.Read();
    for (const wchar_t* key : kKeys) {
      wchar_t buffer[1024];
      const DWORD n = ::GetPrivateProfileStringW(L"Default", key, L"<none>", buffer, 1024, file.c_str());
      const std::wstring platform(buffer, n);
      const std::wstring ours = ini.GetString(key, L"<none>");
      const int platformInt = static_cast<int>(::GetPrivateProfileIntW(L"Default", key, 4321, file.c_str()));
      const int ourInt = ini.GetInt(key, 4321);
      if (platform != ours || platformInt != ourInt) {
        ++failures;
        std::string hex;
        for (unsigned char c : bytes.substr(0, 600)) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
        ADD_FAILURE() << "file " << i << ", key " << U8(key) << ": platform \"" << U8(platform) << "\" " << platformInt
                      << ", ours \"" << U8(ours) << "\" " << ourInt << "\n" << hex;
        break;
      }
    }
    ::DeleteFileW(file.c_str());
  }
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
