#include "config_app.h"

#include <htmlhelp.h>

#include <exception>

CConfigApp::CConfigApp() { InitializeHelp(); }

CConfigApp::CConfigApp(std::wstring moduleFolder, std::wstring userName)
    : CApp(std::move(moduleFolder), std::move(userName)) {
  InitializeHelp();
}

void CConfigApp::InitializeHelp() {
  try {
    helpFile_ = GetHelpFilePath();
  } catch (const std::exception&) {
    return;
  }
  help_.Call(nullptr, helpFile_, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&cookie_));
}

CConfigApp::~CConfigApp() {
  if (!helpFile_.empty()) help_.Call(nullptr, helpFile_, HH_UNINITIALIZE, cookie_);
}

void CConfigApp::ShowHelp(int topic) {
  if (!helpFile_.empty()) help_.Call(nullptr, helpFile_, HH_HELP_CONTEXT, static_cast<DWORD_PTR>(topic));
}
