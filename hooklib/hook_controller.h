#pragma once
// The interface of the keyboard hook library that the resident host keeps running.
#include <windows.h>

#include "settings.h"

struct IHookController {
  // Exactly 1 means the hook is installed and running. The record stays in place and unchanged
  // until the matching StopHook.
  virtual BYTE StartHook(const CSettings* settings) = 0;
  virtual void StopHook() = 0;
};

#ifdef TAVRINO_HOOK_LIBRARY
#define TAVRINO_HOOK_API extern "C" __declspec(dllexport)
#else
#define TAVRINO_HOOK_API extern "C" __declspec(dllimport)
#endif

// The library's controller; valid until the process ends, never released by the caller.
TAVRINO_HOOK_API IHookController* GetTavrinoHookController();
