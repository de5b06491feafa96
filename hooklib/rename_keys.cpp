#include "rename_keys.h"

#include <algorithm>
#include <cwchar>
#include <initializer_list>

namespace {

// Options are plain data from any caller: never index past their arrays.
std::size_t PartCountOf(const CRenameKeyOptions& o) {
  return std::min<std::size_t>(o.partCount, kNamePartCount);
}

std::wstring_view ConnectorOf(const CRenameKeyOptions& o) {
  std::size_t n = 0;
  while (n + 1 < std::size(o.connector) && o.connector[n] != L'\0') ++n;
  return std::wstring_view(o.connector, n);
}

bool HeldWithCommandModifier(CKeyModifiers m) { return m.ctrl || m.alt || m.win; }

CKeyOutcome Select(std::size_t anchor, std::size_t caret) {
  CKeyOutcome out;
  out.handled = true;
  out.anchor = anchor;
  out.caret = caret;
  return out;
}

// The pieces are a stamp and its connector, or nothing: they fit `insert`.
CKeyOutcome Replace(std::size_t start, std::size_t end, std::initializer_list<std::wstring_view> pieces) {
  CKeyOutcome out;
  for (std::wstring_view piece : pieces) {
    if (piece.empty()) continue;
    std::wmemcpy(out.insert + out.insertLength, piece.data(), piece.size());
    out.insertLength += piece.size();
  }
  out.insert[out.insertLength] = L'\0';
  out.handled = out.replace = true;
  out.replaceStart = start;
  out.replaceEnd = end;
  out.anchor = out.caret = start + out.insertLength;
  return out;
}

// The next listed part after the one the selection equals; parts that are empty or that the
// selection already covers are passed over, so each press shows something new when it can.
CKeyOutcome SelectNextPart(std::wstring_view text, CTextRange selection, const CRenameKeyOptions& o) {
  const std::size_t count = PartCountOf(o);
  CTextRange ranges[kNamePartCount];
  std::size_t usable = 0;
  std::size_t first = 0;  // where the search starts: after the part the selection equals
  bool found = false;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsNamePartId(o.parts[i])) continue;
    ranges[usable] = NamePartRange(text, static_cast<NamePart>(o.parts[i]), o.selectExceptPeriod);
    if (ranges[usable].Empty()) continue;
    if (!found && ranges[usable] == selection) {
      found = true;
      first = usable + 1;
    }
    ++usable;
  }
  if (usable == 0) return {};  // nothing to select: F2 does what it always did
  for (std::size_t step = 0; step < usable; ++step) {
    const CTextRange& next = ranges[(first + step) % usable];
    if (!(next == selection)) return Select(next.start, next.end);
  }
  return Select(selection.start, selection.end);  // every part is what is selected already
}

CKeyOutcome MoveHomeEnd(std::wstring_view text, CTextRange selection, bool home, const CRenameKeyOptions& o) {
  if (o.homeEndInSelection && !selection.Empty()) {
    std::size_t caret = home ? selection.start : selection.end;
    return Select(caret, caret);
  }
  if (home) return Select(0, 0);
  const std::size_t baseEnd = NamePartRange(text, NamePart::Base, false).end;
  // From the end of the base name, or from inside the extension, End goes on to the end of the text.
  std::size_t caret = selection.Empty() && selection.start >= baseEnd ? text.size() : baseEnd;
  return Select(caret, caret);
}

CKeyOutcome Refuse(CTextRange selection) {
  CKeyOutcome out = Select(selection.start, selection.end);
  out.beep = true;
  return out;
}

CKeyOutcome InsertStamp(const CRenameKeyInput& in, CTextRange selection, const CRenameKeyOptions& o) {
  // No stamp the stamp routine makes is longer than kMaxStampBytes: a longer text is no stamp.
  if (!in.stampUsable || in.stamp.empty() || in.stamp.size() > kMaxStampBytes) return Refuse(selection);
  const std::wstring_view before(in.text.data(), selection.start);
  const std::wstring_view after(in.text.data() + selection.end, in.text.size() - selection.end);
  const std::wstring_view connector = ConnectorOf(o);
  std::wstring_view connectorBefore, connectorAfter;
  if (!connector.empty()) {
    if (before.empty()) {
      // Stamp first: the connector goes between it and the rest, when there is a rest.
      if (!after.empty() && !after.starts_with(connector) && !in.stamp.ends_with(connector)) connectorAfter = connector;
    } else if (!before.ends_with(connector) && !in.stamp.starts_with(connector)) {
      connectorBefore = connector;
    }
  }
  const std::size_t length = connectorBefore.size() + in.stamp.size() + connectorAfter.size();
  // The box would cut what passes its limit: the whole stamp with its connector, or nothing.
  if (in.text.size() - (selection.end - selection.start) + length > in.maxLength) return Refuse(selection);
  return Replace(selection.start, selection.end, {connectorBefore, in.stamp, connectorAfter});
}

}  // namespace

bool ServesEdit(const CEditKind& edit, bool anyEdit) {
  if (edit.password || edit.readOnly || edit.digitsOnly) return false;
  return edit.inItemView || (anyEdit && !edit.multiline);
}

CPartSequence PartSequence(std::wstring_view orderList, std::wstring_view checkList) {
  const CNamePartIds checked = NamePartChecksOf(checkList);
  CPartSequence sequence;
  for (int id : NamePartOrderOf(orderList))
    if (checked.Contains(id)) sequence.parts[sequence.count++] = static_cast<NamePart>(id);
  return sequence;
}

CTextRange NamePartRange(std::wstring_view text, NamePart part, bool extensionWithoutPeriod) {
  const std::size_t period = text.rfind(L'.');
  const bool hasExtension = period != std::wstring_view::npos && period > 0;
  const std::size_t baseEnd = hasExtension ? period : text.size();
  switch (part) {
    case NamePart::Base:
      return {0, baseEnd};
    case NamePart::Extension:
      return {hasExtension && extensionWithoutPeriod ? baseEnd + 1 : baseEnd, text.size()};
    case NamePart::Whole:
      break;
  }
  return {0, text.size()};
}

StampKind StampWanted(RenameKey key, CKeyModifiers modifiers, const CRenameKeyOptions& options) {
  if (key != RenameKey::Insert || !options.insertDate || HeldWithCommandModifier(modifiers)) return StampKind::None;
  if (!modifiers.shift) return StampKind::Date;
  return options.insertDateTimeInShift ? StampKind::DateTime : StampKind::None;
}

CKeyOutcome DecideRenameKey(const CRenameKeyInput& in, const CRenameKeyOptions& o) {
  if (HeldWithCommandModifier(in.modifiers)) return {};
  // A box may report a selection past its text; keep every position inside it.
  const std::size_t start = std::min(in.selectionStart, in.text.size());
  const CTextRange selection{start, std::clamp(in.selectionEnd, start, in.text.size())};
  const bool shift = in.modifiers.shift;

  switch (in.key) {
    case RenameKey::F2:
      if (shift) return {};
      return SelectNextPart(in.text, selection, o);
    case RenameKey::Home:
    case RenameKey::End:
      if (!o.extendHomeEnd || shift) return {};
      return MoveHomeEnd(in.text, selection, in.key == RenameKey::Home, o);
    case RenameKey::Insert:
      if (StampWanted(in.key, in.modifiers, o) == StampKind::None) return {};
      return InsertStamp(in, selection, o);
    case RenameKey::Tab:
      if (!o.clearInTab || shift) return {};
      if (in.text.empty()) return Select(0, 0);
      return Replace(0, in.text.size(), {});
    case RenameKey::Other:
      break;
  }
  return {};
}
