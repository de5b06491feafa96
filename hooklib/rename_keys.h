#pragma once
// What a key does in a rename box: the box's text and selection, the key and its modifiers, the
// user's switches and today's stamp in; the new text and selection, or "pass the key on", out.
// No window system here: the hook procedure reads the box and applies the outcome. Nothing here
// takes memory from the heap or throws: it runs inside every process that takes keys.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "date_format.h"
#include "name_part_lists.h"

// The parts of a name that F2 selects, by the identifiers the settings file stores.
enum class NamePart : std::uint8_t { Base = 0, Extension = 1, Whole = 2 };

constexpr std::size_t kMaxConnectorLength = 3;

// The switches as the hook reads them. Plain data of fixed size: the host copies it into memory that
// every hooked process reads.
struct CRenameKeyOptions {
  std::uint8_t partCount = 0;                    // parts F2 cycles through, at most kNamePartCount
  std::uint8_t parts[kNamePartCount] = {};       // NamePart values, in selection order
  bool selectExceptPeriod = false;
  bool extendHomeEnd = false;
  bool homeEndInSelection = false;
  bool insertDate = false;
  bool insertDateTimeInShift = false;
  bool clearInTab = false;
  wchar_t connector[kMaxConnectorLength + 1] = {};  // between stamp and name; empty for none
};

// The parts F2 cycles through: the parts of the order list, as the detail dialog shows its lines, that
// the check list names.
struct CPartSequence {
  std::size_t count = 0;
  NamePart parts[kNamePartCount] = {};
  const NamePart* begin() const { return parts; }
  const NamePart* end() const { return parts + count; }
};
CPartSequence PartSequence(std::wstring_view orderList, std::wstring_view checkList);

// Where the parts of `text` lie. The extension starts at the last period that is not the first
// character; without one the base name is the whole text and the extension is empty.
struct CTextRange {
  std::size_t start = 0;
  std::size_t end = 0;
  bool Empty() const { return start == end; }
  friend bool operator==(const CTextRange&, const CTextRange&) = default;
};
CTextRange NamePartRange(std::wstring_view text, NamePart part, bool extensionWithoutPeriod);

// What the hook knows of the Edit that has the focus.
struct CEditKind {
  bool inItemView = false;  // one or two levels under an item view's window: a rename box
  bool multiline = false;
  bool password = false;
  bool readOnly = false;
  bool digitsOnly = false;
};
// Whether the keys are served in this Edit. Never in a password, read-only or digits-only box, where
// no file name is typed; outside item views only in one-line boxes, and only when asked to serve
// every Edit.
bool ServesEdit(const CEditKind& edit, bool anyEdit);

enum class RenameKey { F2, Home, End, Insert, Tab, Other };

struct CKeyModifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool win = false;
};

enum class StampKind { None, Date, DateTime };
// Which stamp a key would insert, so that the caller makes only that one.
StampKind StampWanted(RenameKey key, CKeyModifiers modifiers, const CRenameKeyOptions& options);

struct CRenameKeyInput {
  std::wstring_view text;
  std::size_t selectionStart = 0;  // as the box reports it: start <= end
  std::size_t selectionEnd = 0;
  std::size_t maxLength = SIZE_MAX;  // the box's length limit
  RenameKey key = RenameKey::Other;
  CKeyModifiers modifiers;
  std::wstring_view stamp;  // the stamp StampWanted asked for
  bool stampUsable = false;
};

// The most a key inserts: a stamp and its connector.
constexpr std::size_t kMaxInsertLength = kMaxStampBytes + kMaxConnectorLength;

struct CKeyOutcome {
  bool handled = false;  // false: the key goes on to the box unchanged
  // When set, [replaceStart, replaceEnd) of the old text becomes `insert`, as one undoable edit.
  bool replace = false;
  std::size_t replaceStart = 0;
  std::size_t replaceEnd = 0;
  wchar_t insert[kMaxInsertLength + 1] = {};  // terminated
  std::size_t insertLength = 0;
  // The selection afterwards, in the new text; the caret sits at `caret`.
  std::size_t anchor = 0;
  std::size_t caret = 0;
  bool beep = false;  // handled without a change: the stamp was unusable or does not fit
};

CKeyOutcome DecideRenameKey(const CRenameKeyInput& input, const CRenameKeyOptions& options);
