#include "catalogue.h"

#include "int_list.h"
#include "text.h"

namespace {

struct CatalogueRow {
  const char* verb;
  const wchar_t* label;
  const wchar_t* help;        // file text; "%s" takes the marker for 13 to 16
  const wchar_t* folderHelp;  // only 2 and 3 have their own folder text
};

const CatalogueRow kRows[kCommandSlots] = {
    {nullptr, L"区切り線（セパレーター）", nullptr, nullptr},
    {"CopyFullPath", L"フルパスをコピー",
     L"ファイル名のフルパスをクリップボードにコピーします。Shiftキーで\\→\\\\。", nullptr},
    {"CopyParentDirPath", L"場所をコピー",
     L"ファイルが存在するフォルダのパスをクリップボードにコピーします。Shiftキーで\\→\\\\。",
     L"親フォルダのパスをクリップボードにコピーします。Shiftキーで\\→\\\\。"},
    {"CopyFileName", L"ファイル名をコピー", L"拡張子を含むファイル名をクリップボードにコピーします。",
     L"フォルダ名をクリップボードにコピーします。"},
    {"CopyFileBaseName", L"ベース名をコピー", L"拡張子を含まないファイル名をクリップボードにコピーします。", nullptr},
    {"ToLower", L"すべて小文字に", L"ファイル名を全て小文字にします。拡張子も小文字になります。", nullptr},
    {"ToUpper", L"すべて大文字に", L"ファイル名を全て大文字にします。拡張子も大文字になります。", nullptr},
    {"RemoveShortcutString", L"「～へのショートカット」を除去",
     L"ファイル名の末尾にある「～ へのショートカット」を取り除きます。Ctrlキーでリネームしてコピー。", nullptr},
    {"RemoveCopyString", L"「コピー～」を除去",
     L"ファイル名の先頭にある「コピー ～ 」を取り除きます。Shiftキーで全除去、Ctrlキーでリネームしてコピー。", nullptr},
    {"RemoveNumericFromFileNameHead", L"ファイル名の先頭の「%s」を除去",
     L"ファイル名の先頭にある数字を取り除きます。Ctrlキーでリネームしてコピー。", nullptr},
    {"RemoveNumericFromFileNameEnd", L"ファイル名の末尾の「%s」を除去",
     L"ファイル名の末尾にある数字を取り除きます。Ctrlキーでリネームしてコピー。", nullptr},
    {"InsertDateTimeInHead", L"先頭に今日の日付を挿入",
     L"ファイル名の先頭に今日の日付を挿入します。Shiftキーで日時を挿入、Ctrlキーでリネームしてコピー。", nullptr},
    {"InsertDateTimeInEnd", L"末尾に今日の日付を挿入",
     L"ファイル名の末尾に今日の日付を挿入します。Shiftキーで日時を挿入、Ctrlキーでリネームしてコピー。", nullptr},
    {"InsertStringInFileNameHead", L"ファイル名を無効化",
     L"ファイル名の先頭に %s を挿入します。Ctrlキーでリネームしてコピー。", nullptr},
    {"RemoveStringFromFileNameHead", L"ファイル名の無効化を解除",
     L"ファイル名の先頭にある %s を取り除きます。Ctrlキーでリネームしてコピー。", nullptr},
    {"InsertStringInExtensionEnd", L"拡張子を無効化", L"拡張子の末尾に %s を挿入します。Ctrlキーでリネームしてコピー。",
     nullptr},
    {"RemoveStringFromExtensionEnd", L"拡張子の無効化を解除",
     L"拡張子の末尾にある %s を取り除きます。Ctrlキーでリネームしてコピー。", nullptr},
    {"AddAutoNumber", L"連番を付加",
     L"ファイル名の末尾に1～最大999までの連番を付加します。Shiftキーで連番をゼロ埋め、Ctrlキーでリネームしてコピー。", nullptr},
    {"InsertFileCreationDateTimeInHead", L"先頭にファイル作成日付（%s）を挿入",
     L"ファイル名の先頭にファイル作成日付を挿入します。Shiftキーで日時を挿入、Ctrlキーでリネームしてコピー。", nullptr},
    {"InsertFileCreationDateTimeInEnd", L"末尾にファイル作成日付（%s）を挿入",
     L"ファイル名の末尾にファイル作成日付を挿入します。Shiftキーで日時を挿入、Ctrlキーでリネームしてコピー。", nullptr},
    {"InsertFileLastWriteDateTimeInHead", L"先頭にファイル更新日付（%s）を挿入",
     L"ファイル名の先頭にファイル更新日付を挿入します。Shiftキーで日時を挿入、Ctrlキーでリネームしてコピー。", nullptr},
    {"InsertFileLastWriteDateTimeInEnd", L"末尾にファイル更新日付（%s）を挿入",
     L"ファイル名の末尾にファイル更新日付を挿入します。Shiftキーで日時を挿入、Ctrlキーでリネームしてコピー。", nullptr},
};

}  // namespace

const std::array<int, 26> DefaultMenuItems = {7, 8, 9, 10, 14, 16, 0, 5, 6, 0, 11, 12, 18,
                                              19, 20, 21, 0, 17, 0, 13, 15, 0, 1, 2, 3, 4};

const wchar_t* CommandLabel(int index) { return IsCatalogueIndex(index) ? kRows[index].label : L""; }

const char* CommandVerb(int index) { return IsCommand(index) ? kRows[index].verb : nullptr; }

std::wstring ApplyFolderWording(const std::wstring& text, bool isFolder) {
  return isFolder ? ReplaceAll(text, L"ファイル", L"フォルダ") : text;
}

std::wstring CommandHelpText(int index, bool isFolder) {
  if (!IsCommand(index)) return {};
  const CatalogueRow& row = kRows[index];
  std::wstring text = (isFolder && row.folderHelp) ? row.folderHelp : row.help;
  if (index == CmdInsertStringInFileNameHead || index == CmdRemoveStringFromFileNameHead)
    text = FillPlaceholder(text, kNameDisableMarker);
  else if (index == CmdInsertStringInExtensionEnd || index == CmdRemoveStringFromExtensionEnd)
    text = FillPlaceholder(text, kExtensionDisableMarker);
  return ApplyFolderWording(text, isFolder);
}

std::wstring DefaultMenuItemsText() {
  return FormatIntList(std::vector<int>(DefaultMenuItems.begin(), DefaultMenuItems.end()));
}
