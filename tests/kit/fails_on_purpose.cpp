// A test program that fails on purpose, never part of the kit: the kit's own check runs it with the
// runner, which must report the failure and the reason for the skip, end the program it left
// running, put back what it left in the registry, and end with a non-zero code.
#include <windows.h>
#include <gtest/gtest.h>

#include "app.h"
#include "registry_snapshot.h"

TEST(FailsOnPurpose, Fails) {
  // As a program that crashed halfway would: our registration and Run value left behind, and a
  // program of its own still running.
  SetRegistryString(HKEY_CURRENT_USER, TestedUserKeys().front() + L"\\InprocServer32", nullptr, L"C:\\left\\behind.dll");
  SetRegistryString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"tavrino",
                    L"C:\\left\\behind\\tavrino_main.exe /START");
  std::wstring commandLine = L"\"" + ModuleFileName(nullptr) +
                             L"\" --gtest_also_run_disabled_tests --gtest_filter=FailsOnPurpose.DISABLED_Lingers";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  ADD_FAILURE() << "fails on purpose";
}

TEST(FailsOnPurpose, IsSkipped) { GTEST_SKIP() << "skipped on purpose: the report names this reason"; }

TEST(FailsOnPurpose, DISABLED_Lingers) { ::Sleep(600000); }
