#pragma once
// The keyboard hook procedures, run inside every process that takes keyboard input while the hook
// is installed. Which boxes the hook serves is fixed by the procedure the controller installs, so a
// key in any other window costs no look at the shared values. Exported so that benchmarks and tests
// call the very procedures the system calls.
#include <windows.h>

#ifdef TAVRINO_HOOK_LIBRARY
#define TAVRINO_HOOK_PROC_API extern "C" __declspec(dllexport)
#else
#define TAVRINO_HOOK_PROC_API extern "C" __declspec(dllimport)
#endif

// Serves the rename boxes of item views.
TAVRINO_HOOK_PROC_API LRESULT CALLBACK RenameBoxKeyboardProc(int code, WPARAM wParam, LPARAM lParam);
// Serves them and every other writable one-line Edit.
TAVRINO_HOOK_PROC_API LRESULT CALLBACK AnyEditKeyboardProc(int code, WPARAM wParam, LPARAM lParam);
