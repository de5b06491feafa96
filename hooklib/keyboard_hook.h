#pragma once
// The keyboard hook procedure, run inside every process that takes keyboard input while the hook
// is installed. Exported so that benchmarks and tests call the very procedure the system calls.
#include <windows.h>

#ifdef TAVRINO_HOOK_LIBRARY
#define TAVRINO_HOOK_PROC_API extern "C" __declspec(dllexport)
#else
#define TAVRINO_HOOK_PROC_API extern "C" __declspec(dllimport)
#endif

TAVRINO_HOOK_PROC_API LRESULT CALLBACK RenameKeyboardProc(int code, WPARAM wParam, LPARAM lParam);
