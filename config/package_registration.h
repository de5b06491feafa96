#pragma once
// Registration of the package that puts our submenu into Windows 11's own menu, for the current
// user with the install folder as its external location, through Windows PowerShell. Whether it
// worked is asked of Windows afterwards: a PowerShell that does nothing exits with 0 as well.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "package_plan_model.h"

// How a hidden program's run ended.
struct CProgramRun {
  enum class CEnd { Exited, TimedOut, NotStarted };
  CEnd end = CEnd::NotStarted;
  DWORD code = 0;            // the exit code; the system's error code when it did not start
  std::wstring errorOutput;  // what it wrote to its error output, blanks at the end removed
};

// What the registration needs of the system. Tests put a recording stand-in in its place, since
// Wine has no package deployment.
class IPackageDeployment {
public:
  virtual ~IPackageDeployment() = default;
  // Runs `program` hidden with `commandLine` for at most `timeoutMs`.
  virtual CProgramRun Run(const std::wstring& program, const std::wstring& commandLine, DWORD timeoutMs) = 0;
  // The folder the package is registered for in this user's account; nothing when it is not.
  virtual std::optional<std::wstring> RegisteredFolder() = 0;
  // The full names of this user's packages of our family (our name and our publisher).
  virtual std::vector<std::wstring> RegisteredPackages() = 0;
  // Waits `ms` before Windows is asked again.
  virtual void Pause(DWORD ms) = 0;
};

// The system itself, under the wait cursor while PowerShell runs.
class CSystemPackageDeployment final : public IPackageDeployment {
public:
  CProgramRun Run(const std::wstring& program, const std::wstring& commandLine, DWORD timeoutMs) override;
  std::optional<std::wstring> RegisteredFolder() override;
  std::vector<std::wstring> RegisteredPackages() override;
  void Pause(DWORD ms) override;
};

// Starts `program` by its full path without a window, its error output going to a file of its own,
// and ends it when it outlives `timeoutMs`.
CProgramRun RunHidden(const std::wstring& program, const std::wstring& commandLine, DWORD timeoutMs);

// Windows PowerShell in the system folder: never a bare name that the search path could answer.
std::wstring PowerShellPath();
constexpr DWORD kPowerShellTimeoutMs = 60000;
// Ending PowerShell does not end a deployment Windows has begun: after the limit, Windows is asked
// again every so often for a while before the step counts as failed.
constexpr DWORD kSettleMs = 10000;
constexpr DWORD kSettlePollMs = 500;

// Why the package is not as wished: the system's reason for the user, and a key that stays the
// same for the same cause (a deployment error's text carries a new activity id each time).
struct CPackageFailure {
  std::wstring reason;
  std::wstring key;
};

class CPackageRegistration {
public:
  CPackageRegistration(IPackageDeployment& deployment, DWORD build, std::wstring folder);
  // Brings the package in line with `wanted`; nothing when it is, or when there is nothing to do.
  std::optional<CPackageFailure> Apply(bool wanted);

private:
  std::optional<CPackageFailure> Take(CPackageStep step);
  bool Done(CPackageStep step);

  IPackageDeployment& deployment_;
  DWORD build_;
  std::wstring folder_;
};

// The context-menu extension's registration as OK and 常駐解除 make it: the classic handler and,
// where Windows' own menu shows packages, the package. Enabling registers the classic handler
// first, so that a menu exists whatever becomes of the package; disabling removes the package
// first. Failures of the classic handler and of a removal throw, after every step has been taken.
// An addition that failed is no error: the notice for the user is returned, once for one cause.
std::optional<std::wstring> UpdateContextMenuRegistration(bool on, CPackageRegistration& package);
