// Stand-in hook library: its operations succeed and keep the record they were given.
#include "hook_controller.h"

namespace {

class CHookController final : public IHookController {
public:
  BYTE StartHook(const CSettings* settings) override {
    settings_ = settings;
    return 1;
  }
  void StopHook() override { settings_ = nullptr; }

private:
  const CSettings* settings_ = nullptr;
};

}  // namespace

TAVRINO_HOOK_API IHookController* GetTavrinoHookController() {
  static CHookController controller;
  return &controller;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
