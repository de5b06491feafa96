#pragma once
// The application object: where the deliverables, the shared data folder and the user's own
// settings live.
#include <windows.h>

#include <string>

// The module's whole file name, however long (empty when the system cannot tell).
std::wstring ModuleFileName(HMODULE module);

constexpr const wchar_t* kIniFileName = L"tavrino.ini";
constexpr const wchar_t* kResidentProgramName = L"tavrino_main.exe";
constexpr const wchar_t* kConfigProgramName = L"tavrino.exe";
constexpr const wchar_t* kHelpFileName = L"タブリノリネームヘルプ.chm";
constexpr const wchar_t* kUserDataFolderName = L"userdata";

class CAppBase {
public:
  // `module` is the DLL's own handle in the shell extension, null in the programs.
  explicit CAppBase(HMODULE module);
  // The same layout for a given install folder and user (several users share one installation).
  CAppBase(std::wstring moduleFolder, std::wstring userName);
  virtual ~CAppBase() = default;

  const std::wstring& ModuleFolder() const { return moduleFolder_; }
  const std::wstring& UserDataFolder() const { return userDataFolder_; }
  const std::wstring& UserName() const { return userName_; }
  const std::wstring& UserFolder() const { return userFolder_; }

protected:
  // Builds module folder + name; a result that does not fit 260 units is an error, never cut.
  std::wstring ModulePath(const wchar_t* name) const;

private:
  std::wstring moduleFolder_;
  std::wstring userDataFolder_;
  std::wstring userName_;
  std::wstring userFolder_;
};

class CApp : public CAppBase {
public:
  explicit CApp(HMODULE module = nullptr) : CAppBase(module) {}
  CApp(std::wstring moduleFolder, std::wstring userName) : CAppBase(std::move(moduleFolder), std::move(userName)) {}

  std::wstring GetIniFilePath() const;
  std::wstring GetResidentProgramPath() const { return ModulePath(kResidentProgramName); }
  std::wstring GetHelpFilePath() const { return ModulePath(kHelpFileName); }
  // Makes sure "userdata" and the user's folder inside it exist.
  void CreateDataFolders() const;
};
