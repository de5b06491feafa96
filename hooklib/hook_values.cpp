#include "hook_values.h"

#include <cstring>
#include <cwchar>
#include <iterator>
#include <string_view>

#include "date_separators.h"

namespace {

// A reader holds the host's previous block only while it copies the values; a name still taken
// after this long is held by someone else.
constexpr ULONGLONG kNameReleaseWaitMs = 1000;

template <std::size_t N>
std::wstring_view Bounded(const wchar_t (&text)[N]) {
  return std::wstring_view(text, ::wcsnlen(text, N));
}

template <std::size_t N>
void CopyBounded(wchar_t (&to)[N], std::wstring_view from) {
  std::size_t n = from.size() < N ? from.size() : N - 1;
  std::wmemcpy(to, from.data(), n);
  to[n] = L'\0';
}

// The name, new. Whatever is found under it could have been made by anyone, with any size and
// contents: it is let go at once, and never used.
CHandle CreateFreshMapping() {
  const ULONGLONG deadline = ::GetTickCount64() + kNameReleaseWaitMs;
  for (;;) {
    CHandle mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(CSharedBlock),
                                         kHookValuesMappingName));
    if (!mapping) return {};  // another kind of object holds the name, or the system has no memory
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return mapping;
    mapping.Reset();
    if (::GetTickCount64() >= deadline) return {};
    ::Sleep(10);
  }
}

}  // namespace

CSharedHookValues SharedHookValuesOf(const CSettings& s) {
  CSharedHookValues v{};
  const CPartSequence parts =
      PartSequence(Bounded(s.renameExtFileNamePartSelectOrder), Bounded(s.renameExtFileNamePartCheckList));
  for (NamePart part : parts) v.parts[v.partCount++] = static_cast<std::uint8_t>(part);
  v.selectExceptPeriod = s.renameExtSelectExceptPeriod;
  v.extendHomeEnd = s.renameExtExtendHomeEnd;
  v.homeEndInSelection = s.renameExtHomeEndInSelection;
  v.insertDate = s.renameExtInsertDate;
  v.insertDateTimeInShift = s.renameExtInsertDateTimeInShift;
  v.clearInTab = s.renameExtClearInTab;
  v.addConnector = s.renameExtAddUnderbarOnDate;
  v.connection = s.dateTimeConnection;
  CopyBounded(v.dateFormat, Bounded(s.dateFormat));
  CopyBounded(v.dateTimeFormat, Bounded(s.dateTimeFormat));
  return v;
}

CHookValues HookValuesFrom(const CSharedHookValues& shared) {
  CHookValues v;
  const std::size_t count = shared.partCount < kNamePartCount ? shared.partCount : kNamePartCount;
  for (std::size_t i = 0; i < count; ++i)
    if (IsNamePartId(shared.parts[i])) v.keys.parts[v.keys.partCount++] = shared.parts[i];
  v.keys.selectExceptPeriod = shared.selectExceptPeriod != 0;
  v.keys.extendHomeEnd = shared.extendHomeEnd != 0;
  v.keys.homeEndInSelection = shared.homeEndInSelection != 0;
  v.keys.insertDate = shared.insertDate != 0;
  v.keys.insertDateTimeInShift = shared.insertDateTimeInShift != 0;
  v.keys.clearInTab = shared.clearInTab != 0;
  if (shared.addConnector != 0) CopyBounded(v.keys.connector, DateSeparatorOf(shared.connection));
  CopyBounded(v.dateFormat, Bounded(shared.dateFormat));
  CopyBounded(v.dateTimeFormat, Bounded(shared.dateTimeFormat));
  return v;
}

bool CHookValuesPublisher::Publish(const CSharedHookValues& values) {
  Withdraw();
  CHandle mapping = CreateFreshMapping();
  if (!mapping) return false;
  CMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, sizeof(CSharedBlock)));
  if (!view) return false;
  auto* block = static_cast<CSharedBlock*>(view.Get());
  std::memcpy(&block->values, &values, sizeof values);
  ::InterlockedExchange(&block->published, kPublished);
  mapping_ = std::move(mapping);
  view_ = std::move(view);
  return true;
}

void CHookValuesPublisher::Withdraw() {
  view_.Reset();
  mapping_.Reset();
}

bool ReadHookValues(CHookValues& values) noexcept {
  // Opened, copied and closed at once: a reader never keeps the name from the host's next start.
  CHandle mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, kHookValuesMappingName));
  if (!mapping) return false;
  CMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(CSharedBlock)));
  if (!view) return false;
  const auto* block = static_cast<const CSharedBlock*>(view.Get());
  if (block->published != kPublished) return false;
  ::MemoryBarrier();
  CSharedHookValues shared;
  std::memcpy(&shared, &block->values, sizeof shared);
  values = HookValuesFrom(shared);
  return true;
}
