#pragma once
// The configuration program's application object: the shared paths, and the HTML Help session
// that lasts exactly as long as the object.
#include <string>

#include "app.h"
#include "html_help.h"

class CConfigApp : public CApp {
public:
  CConfigApp();
  // The same for a given install folder and user.
  CConfigApp(std::wstring moduleFolder, std::wstring userName);
  ~CConfigApp() override;
  CConfigApp(const CConfigApp&) = delete;
  CConfigApp& operator=(const CConfigApp&) = delete;

  // Opens a topic of the help file; the viewer has no owner, so it outlives the dialog that asked.
  void ShowHelp(int topic);

private:
  void InitializeHelp();

  CHtmlHelp help_;
  std::wstring helpFile_;  // empty when its path does not fit: help then does nothing
  DWORD_PTR cookie_ = 0;
};

// Context numbers of the help file's topics.
constexpr int kHelpTopicMainDialog = 10;
constexpr int kHelpTopicRenameExtDialog = 12;
constexpr int kHelpTopicContextMenuDialog = 14;
