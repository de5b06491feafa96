#include "app.h"

#include <shlwapi.h>

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

void CApp::CreateDataFolders() const {
  const std::wstring& data = UserDataFolder();
  if (!FitsMaxPath(data) || (!::PathFileExistsW(data.c_str()) && !::CreateDirectoryW(data.c_str(), nullptr)))
    throw CAppError(FillPlaceholder(L"ユーザーデータフォルダの作成に失敗しました。\n【パス】%s", data));
  const std::wstring& user = UserFolder();
  if (!FitsMaxPath(user) || (!::PathFileExistsW(user.c_str()) && !::CreateDirectoryW(user.c_str(), nullptr)))
    throw CAppError(FillPlaceholder(L"ログインユーザーデータフォルダの作成に失敗しました。\n【パス】%s", user));
}
