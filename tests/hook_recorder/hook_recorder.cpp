// Test build of the hook library. Beside its own DLL it appends one line per call to
// hook_recorder.log: the call, the calling thread and, for StartHook, the record it received.
// hook_recorder_results.txt beside it may list the results of successive StartHook calls
// ("1,0": the first succeeds, the second fails); calls beyond the list return 1.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app.h"
#include "errors.h"
#include "hook_controller.h"
#include "text.h"

namespace {

HMODULE g_module = nullptr;

std::wstring BesideModule(const wchar_t* name) {
  return JoinPath(FolderPart(ModuleFileName(g_module)), name);
}

// One line per call, opened and closed each time so that a test can read it while the host runs.
void Record(const std::string& line) {
  HANDLE file = ::CreateFileW(BesideModule(L"hook_recorder.log").c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\n";
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
}

BYTE StartResult(int call) {
  HANDLE file = ::CreateFileW(BesideModule(L"hook_recorder_results.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  char buffer[256] = {};
  DWORD n = 0;
  ::ReadFile(file, buffer, sizeof buffer - 1, &n, nullptr);
  ::CloseHandle(file);
  int index = 0;
  for (const char* p = buffer; *p;) {
    char* end = nullptr;
    long value = std::strtol(p, &end, 10);
    if (end == p) break;
    if (index++ == call) return static_cast<BYTE>(value);
    p = *end == ',' ? end + 1 : end;
  }
  return 1;
}

std::string Field(const char* key, const std::string& value) { return std::string("\t") + key + "=" + value; }
std::string Field(const char* key, bool value) { return Field(key, std::string(value ? "1" : "0")); }
std::string Field(const char* key, const wchar_t* value) { return Field(key, ToUtf8(value ? value : L"")); }

std::string Thread() { return Field("thread", std::to_string(::GetCurrentThreadId())); }

std::string Describe(const CSettings& s) {
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<const void*>(&s));
  return Field("record", std::string(address)) + Field("EnableExplorerRenameExt", s.enableExplorerRenameExt) +
         Field("EnableContextMenuExt", s.enableContextMenuExt) +
         Field("RenameExt_FileNamePartSelectOrder", s.renameExtFileNamePartSelectOrder) +
         Field("RenameExt_FileNamePartCheckList", s.renameExtFileNamePartCheckList) +
         Field("RenameExt_SelectExceptPeriod", s.renameExtSelectExceptPeriod) +
         Field("RenameExt_ExtendHomeEnd", s.renameExtExtendHomeEnd) +
         Field("RenameExt_HomeEndInSelection", s.renameExtHomeEndInSelection) +
         Field("RenameExt_InsertDate", s.renameExtInsertDate) +
         Field("RenameExt_InsertDateTimeInShift", s.renameExtInsertDateTimeInShift) +
         Field("RenameExt_AddUnderbarOnDate", s.renameExtAddUnderbarOnDate) +
         Field("RenameExt_ClearInTab", s.renameExtClearInTab) +
         Field("RenameExt_EnableExtAtAllEdit", s.renameExtEnableExtAtAllEdit) +
         Field("ContextMenuExt_MenuItems", s.contextMenuExtMenuItems) +
         Field("ContextMenuExt_AddUnderbarOnDate", s.contextMenuExtAddUnderbarOnDate) +
         Field("DateFormat", s.dateFormat) + Field("DateTimeFormat", s.dateTimeFormat) +
         Field("DateTimeConnectionString", std::to_string(s.dateTimeConnection)) + Field("IniFilePath", s.iniFilePath);
}

// The record as the library received it: its fixed part and the text of its path.
std::vector<char> Snapshot(const CSettings& s) {
  const char* bytes = reinterpret_cast<const char*>(&s);
  std::vector<char> snapshot(bytes, bytes + sizeof(CSettings));
  std::string path = ToUtf8(s.iniFilePath ? s.iniFilePath : L"");
  snapshot.insert(snapshot.end(), path.begin(), path.end());
  return snapshot;
}

class CRecordingHookController final : public IHookController {
public:
  BYTE StartHook(const CSettings* settings) override {
    BYTE result = StartResult(startCalls_++);
    Record("StartHook" + Thread() + Field("result", std::to_string(result)) + Describe(*settings));
    if (result == 1) {
      settings_ = settings;
      snapshot_ = Snapshot(*settings);
    }
    return result;
  }

  // Also tells whether the record stayed as it was since StartHook, as the host promises.
  void StopHook() override {
    std::string unchanged = settings_ && Snapshot(*settings_) == snapshot_ ? "1" : "0";
    Record("StopHook" + Thread() + Field("unchanged", unchanged));
    settings_ = nullptr;
  }

private:
  int startCalls_ = 0;
  const CSettings* settings_ = nullptr;
  std::vector<char> snapshot_;
};

}  // namespace

TAVRINO_HOOK_API IHookController* GetTavrinoHookController() {
  static CRecordingHookController controller;
  Record("GetTavrinoHookController" + Thread());
  return &controller;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}
