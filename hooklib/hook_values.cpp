#include "hook_values.h"

#include <cstring>
#include <cwchar>
#include <iterator>
#include <string_view>

namespace {

// In the session's own namespace: each logged-on user's host serves the processes of that session.
constexpr const wchar_t* kMappingName = L"Local\\TavrinoRenameKeyValues";

// The host writes while no hook of this cycle runs, but a call of the previous cycle may still be
// reading: an odd sequence means a write is under way. Zero means nothing was written yet.
struct CSharedBlock {
  volatile LONG sequence;
  CHookValues values;
};

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

}  // namespace

CHookValues HookValuesOf(const CSettings& s) {
  CHookValues v;
  std::vector<NamePart> parts =
      PartSequence(Bounded(s.renameExtFileNamePartSelectOrder), Bounded(s.renameExtFileNamePartCheckList));
  for (NamePart part : parts) v.keys.parts[v.keys.partCount++] = static_cast<std::uint8_t>(part);
  v.keys.selectExceptPeriod = s.renameExtSelectExceptPeriod;
  v.keys.extendHomeEnd = s.renameExtExtendHomeEnd;
  v.keys.homeEndInSelection = s.renameExtHomeEndInSelection;
  v.keys.insertDate = s.renameExtInsertDate;
  v.keys.insertDateTimeInShift = s.renameExtInsertDateTimeInShift;
  v.keys.clearInTab = s.renameExtClearInTab;
  if (s.renameExtAddUnderbarOnDate) CopyBounded(v.keys.connector, DateSeparatorOf(s.dateTimeConnection));
  CopyBounded(v.dateFormat, Bounded(s.dateFormat));
  CopyBounded(v.dateTimeFormat, Bounded(s.dateTimeFormat));
  return v;
}

bool CHookValuesPublisher::Publish(const CHookValues& values) {
  if (!view_) {
    // An existing mapping is this host's own from the previous cycle, kept alive by a reader.
    CHandle mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(CSharedBlock),
                                         kMappingName));
    if (!mapping) return false;
    CMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, sizeof(CSharedBlock)));
    if (!view) return false;
    mapping_ = std::move(mapping);
    view_ = std::move(view);
  }
  auto* block = static_cast<CSharedBlock*>(view_.Get());
  ::InterlockedIncrement(&block->sequence);
  std::memcpy(&block->values, &values, sizeof values);
  ::InterlockedIncrement(&block->sequence);
  return true;
}

void CHookValuesPublisher::Withdraw() {
  view_.Reset();
  mapping_.Reset();
}

bool ReadHookValues(CHookValues& values) noexcept {
  CHandle mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, kMappingName));
  if (!mapping) return false;
  CMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(CSharedBlock)));
  if (!view) return false;
  const auto* block = static_cast<const CSharedBlock*>(view.Get());
  for (int attempt = 0; attempt < 4; ++attempt) {
    LONG before = block->sequence;
    if (before == 0) return false;
    if (before & 1) {
      ::SwitchToThread();
      continue;
    }
    ::MemoryBarrier();
    std::memcpy(&values, const_cast<const CHookValues*>(&block->values), sizeof values);
    ::MemoryBarrier();
    if (block->sequence == before) return true;
  }
  return false;
}
