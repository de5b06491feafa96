#pragma once
// The values the hook needs, copied out of the host's settings record at each start, and the memory
// through which every hooked process reads them.
#include <windows.h>

#include "handles.h"
#include "rename_keys.h"
#include "settings.h"

struct CHookValues {
  CRenameKeyOptions keys;
  wchar_t dateFormat[31] = {};
  wchar_t dateTimeFormat[31] = {};
};

// Copies what the hook uses; nothing of the record is referred to afterwards.
CHookValues HookValuesOf(const CSettings& settings);

// The host's side: a named mapping in the session's namespace, which hooked processes open read-only.
// A named mapping rather than a shared section of the library: a section would be shared by every
// session that runs the same install folder, so one user's settings would drive another user's keys,
// and any process holding the library could write it.
class CHookValuesPublisher {
public:
  // Creates the mapping on first use and writes the values; false when it cannot be had.
  bool Publish(const CHookValues& values);
  void Withdraw();

private:
  CHandle mapping_;
  CMappedView view_;
};

// A hooked process's side: the values as the host last wrote them. False while the host has none to
// give; never throws.
bool ReadHookValues(CHookValues& values) noexcept;
