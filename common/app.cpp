#include "app.h"

#include <vector>

#include "errors.h"
#include "text.h"

std::wstring ModuleFileName(HMODULE module) {
  // The whole name, however long: a cut folder would point at someone else's files.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

namespace {

std::wstring LogonUserName() {
  wchar_t name[257] = {};
  DWORD size = ARRAYSIZE(name);
  return ::GetUserNameW(name, &size) ? name : L"";
}

}  // namespace

CAppBase::CAppBase(HMODULE module) : CAppBase(FolderPart(ModuleFileName(module)), LogonUserName()) {}

CAppBase::CAppBase(std::wstring moduleFolder, std::wstring userName)
    : moduleFolder_(std::move(moduleFolder)),
      userDataFolder_(JoinPath(moduleFolder_, kUserDataFolderName)),
      userName_(std::move(userName)),
      userFolder_(JoinPath(userDataFolder_, userName_)) {}

std::wstring CAppBase::ModulePath(const wchar_t* name) const {
  std::wstring path = JoinPath(moduleFolder_, name);
  if (!FitsMaxPath(path)) ThrowPathTooLong(path);
  return path;
}

std::wstring CApp::GetIniFilePath() const {
  std::wstring path = JoinPath(UserFolder(), kIniFileName);
  if (!FitsMaxPath(path)) ThrowPathTooLong(path);
  return path;
}

namespace {

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A folder that is there, or one made now (by us or, at the same moment, by another start). A file
// of that name is no folder: the settings would fail later with a less helpful message.
bool EnsureFolder(const std::wstring& path) {
  if (!FitsMaxPath(path)) return false;
  return IsFolder(path) || ::CreateDirectoryW(path.c_str(), nullptr) || IsFolder(path);
}

}  // namespace

void CApp::CreateDataFolders() const {
  if (!EnsureFolder(UserDataFolder()))
    throw CAppError(FillPlaceholder(L"ユーザーデータフォルダの作成に失敗しました。\n【パス】%s", UserDataFolder()));
  if (!EnsureFolder(UserFolder()))
    throw CAppError(FillPlaceholder(L"ログインユーザーデータフォルダの作成に失敗しました。\n【パス】%s", UserFolder()));
}
