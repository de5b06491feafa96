// The keyboard hook library: the resident host starts and stops one global keyboard hook through
// its controller; the hook procedure itself runs as a guest in the processes that take input.
#include <new>

#include "handles.h"
#include "hook_controller.h"
#include "hook_values.h"
#include "keyboard_hook.h"

namespace {

HMODULE g_module = nullptr;

class CHookController final : public IHookController {
public:
  BYTE StartHook(const CSettings* settings) override {
    StopHook();
    if (!settings) return 0;
    // Copied now: the record is the host's, and the hooked processes cannot read it anyway.
    if (!values_.Publish(SharedHookValuesOf(*settings))) return 0;
    HOOKPROC proc = settings->renameExtEnableExtAtAllEdit ? AnyEditKeyboardProc : RenameBoxKeyboardProc;
    hook_.Reset(::SetWindowsHookExW(WH_KEYBOARD, proc, g_module, 0));
    if (!hook_) {
      values_.Withdraw();
      return 0;
    }
    return 1;
  }

  void StopHook() override {
    hook_.Reset();
    values_.Withdraw();
  }

private:
  CHook hook_;
  CHookValuesPublisher values_;
};

}  // namespace

TAVRINO_HOOK_API IHookController* GetTavrinoHookController() {
  // Never destroyed: nothing of the library runs while it is unloaded, and the host stops the hook
  // before it ends. Built in place, so that no allocation can fail here, once, by the system's own
  // one-time initialisation rather than the runtime's guard for statics.
  alignas(CHookController) static unsigned char storage[sizeof(CHookController)];
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  ::InitOnceExecuteOnce(
      &once,
      [](PINIT_ONCE, PVOID, PVOID*) -> BOOL {
        ::new (storage) CHookController;
        return TRUE;
      },
      nullptr, nullptr);
  return std::launder(reinterpret_cast<CHookController*>(storage));
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}
