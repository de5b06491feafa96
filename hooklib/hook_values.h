#pragma once
// The values the hook needs, copied out of the host's settings record at each start, and the memory
// through which every hooked process reads them.
#include <windows.h>

#include <cstdint>

#include "handles.h"
#include "rename_keys.h"
#include "settings.h"

// The values as a hooked process uses them.
struct CHookValues {
  CRenameKeyOptions keys;
  wchar_t dateFormat[31] = {};
  wchar_t dateTimeFormat[31] = {};
};

// The values as they lie in the shared memory: plain bytes, no bool, since any process of the session
// that opens the mapping can write them. A reader takes nothing from them unchecked.
struct CSharedHookValues {
  std::uint8_t partCount;
  std::uint8_t parts[kNamePartCount];
  // Switches: non-zero is on.
  std::uint8_t selectExceptPeriod;
  std::uint8_t extendHomeEnd;
  std::uint8_t homeEndInSelection;
  std::uint8_t insertDate;
  std::uint8_t insertDateTimeInShift;
  std::uint8_t clearInTab;
  std::uint8_t addConnector;
  std::int32_t connection;  // index into DateSeparators
  wchar_t dateFormat[31];
  wchar_t dateTimeFormat[31];
};

// The shared memory: the values, then the mark that they are complete. The host writes each block
// once, into memory it has just created, so a reader that sees the mark sees the whole values.
struct CSharedBlock {
  CSharedHookValues values;
  volatile LONG published;  // kPublished once the values are written; anything else: nothing to read
};
constexpr LONG kPublished = 1;

// In the session's own namespace: each logged-on user's host serves the processes of that session.
constexpr const wchar_t* kHookValuesMappingName = L"Local\\TavrinoRenameKeyValues";

// What the host publishes; nothing of the record is referred to afterwards.
CSharedHookValues SharedHookValuesOf(const CSettings& settings);
// What a reader may use, whatever the bytes: counts within their arrays, only part identifiers that
// exist, switches on when non-zero, a connector of the table, formats bounded and terminated.
CHookValues HookValuesFrom(const CSharedHookValues& shared);

// The host's side: a named mapping in the session's namespace, which hooked processes open read-only.
// A named mapping rather than a shared section of the library: a section would be shared by every
// session that runs the same install folder, so one user's settings would drive another user's keys,
// and any process holding the library could write it.
class CHookValuesPublisher {
public:
  // Creates the mapping anew and writes the values. False when it cannot be had, also when the name
  // stays taken: an object this publisher did not just create is never used, whoever made it.
  bool Publish(const CSharedHookValues& values);
  void Withdraw();

private:
  CHandle mapping_;
  CMappedView view_;
};

// A hooked process's side: the values as the host wrote them. False while the host has none to
// give; never throws, never waits.
bool ReadHookValues(CHookValues& values) noexcept;
