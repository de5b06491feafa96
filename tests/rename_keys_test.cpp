// What each key does to a rename box, written with its selection marked (marked_text.h); "passed"
// means the key goes on unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "marked_text.h"
#include "rename_keys.h"
#include "test_support.h"

namespace {

using enum NamePart;

CRenameKeyOptions Parts(std::initializer_list<NamePart> parts) {
  CRenameKeyOptions o;
  for (NamePart p : parts) o.parts[o.partCount++] = static_cast<std::uint8_t>(p);
  return o;
}

const CRenameKeyOptions kDefaultParts = Parts({Base, Extension, Whole});

CRenameKeyOptions Everything() {
  CRenameKeyOptions o = kDefaultParts;
  o.extendHomeEnd = o.homeEndInSelection = o.insertDate = o.insertDateTimeInShift = o.clearInTab = true;
  return o;
}

CRenameKeyOptions WithConnector(const wchar_t* connector) {
  CRenameKeyOptions o = Everything();
  std::wcsncpy(o.connector, connector, 3);
  return o;
}

constexpr CKeyModifiers kShift{.shift = true};

struct CStampArg {
  std::wstring_view text = L"20240305";
  bool usable = true;
};

std::string Press(std::wstring_view marked, RenameKey key, const CRenameKeyOptions& o, CKeyModifiers m = {},
                  CStampArg stamp = {}, std::size_t maxLength = SIZE_MAX) {
  CMarkedText box = ParseMarked(marked);
  CRenameKeyInput in;
  in.text = box.text;
  in.selectionStart = box.start;
  in.selectionEnd = box.end;
  in.key = key;
  in.modifiers = m;
  in.stamp = stamp.text;
  in.stampUsable = stamp.usable;
  in.maxLength = maxLength;
  CKeyOutcome out = DecideRenameKey(in, o);
  if (!out.handled) return "passed";
  if (out.replace) box.text = box.text.substr(0, out.replaceStart) + out.insert + box.text.substr(out.replaceEnd);
  EXPECT_LE(std::max(out.anchor, out.caret), box.text.size());
  box.start = std::min(out.anchor, out.caret);
  box.end = std::max(out.anchor, out.caret);
  return ShowMarked(box) + (out.beep ? " (beep)" : "");
}

// Presses F2 `times` times from `marked`, and tells where each press left the selection.
std::vector<std::string> F2Presses(std::wstring_view marked, const CRenameKeyOptions& o, int times) {
  std::vector<std::string> shown;
  std::wstring current(marked);
  for (int i = 0; i < times; ++i) {
    std::string next = Press(current, RenameKey::F2, o);
    shown.push_back(next);
    if (next == "passed") break;
    std::wstring wide(current.size() + 2, L'\0');
    wide.resize(::MultiByteToWideChar(CP_UTF8, 0, next.data(), static_cast<int>(next.size()), wide.data(),
                                      static_cast<int>(wide.size())));
    current = wide;
  }
  return shown;
}

using Shown = std::vector<std::string>;

TEST(NamePartRange, ExtensionStartsAtTheLastPeriodThatIsNotTheFirstCharacter) {
  struct Case {
    const wchar_t* text;
    CTextRange base, extension, extensionWithoutPeriod;
  } cases[] = {
      {L"report 2024.txt", {0, 11}, {11, 15}, {12, 15}},
      {L"archive.tar.gz", {0, 11}, {11, 14}, {12, 14}},
      {L".gitignore", {0, 10}, {10, 10}, {10, 10}},
      {L"..", {0, 1}, {1, 2}, {2, 2}},
      {L"name.", {0, 4}, {4, 5}, {5, 5}},
      {L"README", {0, 6}, {6, 6}, {6, 6}},
      {L"", {0, 0}, {0, 0}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.text));
    EXPECT_EQ(c.base, NamePartRange(c.text, Base, false));
    EXPECT_EQ(c.base, NamePartRange(c.text, Base, true));
    EXPECT_EQ(c.extension, NamePartRange(c.text, Extension, false));
    EXPECT_EQ(c.extensionWithoutPeriod, NamePartRange(c.text, Extension, true));
    EXPECT_EQ((CTextRange{0, std::wstring_view(c.text).size()}), NamePartRange(c.text, Whole, true));
  }
}

std::vector<NamePart> Sequence(std::wstring_view orderList, std::wstring_view checkList) {
  const CPartSequence parts = PartSequence(orderList, checkList);
  return std::vector<NamePart>(parts.begin(), parts.end());
}

TEST(PartSequence, FollowsTheOrderAmongTheCheckedParts) {
  EXPECT_EQ((std::vector{Base, Extension, Whole}), Sequence(L"0,1,2", L"0,1,2"));
  EXPECT_EQ((std::vector{Whole, Base}), Sequence(L"2,0,1", L"2,0"));
  EXPECT_EQ((std::vector{Whole, Base}), Sequence(L"2,0,1", L"0,2")) << "the check list's order does not count";
  EXPECT_EQ(std::vector<NamePart>{}, Sequence(L"0,1,2", L""));
}

TEST(PartSequence, HandEditedListsGiveNoStrangeParts) {
  EXPECT_EQ((std::vector{Extension, Base}), Sequence(L"1,7,1,-1,0", L"0,1,7,-1"));
  EXPECT_EQ((std::vector{Base}), Sequence(L",,0,,", L"0"));
  EXPECT_EQ((std::vector{Whole, Base, Extension}), Sequence(L"2", L"0,1,2")) << "checked parts are not lost";
}

TEST(F2, CyclesBaseExtensionWholeFromTheCaret) {
  EXPECT_EQ((Shown{"[report 2024].txt", "report 2024[.txt]", "[report 2024.txt]", "[report 2024].txt"}),
            F2Presses(L"rep|ort 2024.txt", kDefaultParts, 4));
  // Explorer opens the box with the base name selected: the first press goes on from there.
  EXPECT_EQ("report 2024[.txt]", Press(L"[report 2024].txt", RenameKey::F2, kDefaultParts));
  // A selection that equals no part starts over with the first.
  EXPECT_EQ("[report 2024].txt", Press(L"re[port] 2024.txt", RenameKey::F2, kDefaultParts));
}

TEST(F2, FollowsAChangedOrderAndCheckList) {
  EXPECT_EQ((Shown{"[report 2024.txt]", "[report 2024].txt", "report 2024[.txt]", "[report 2024.txt]"}),
            F2Presses(L"|report 2024.txt", Parts({Whole, Base, Extension}), 4));
  EXPECT_EQ((Shown{"report 2024[.txt]", "[report 2024].txt", "report 2024[.txt]"}),
            F2Presses(L"|report 2024.txt", Parts({Extension, Base}), 3));
}

TEST(F2, ExtensionLeavesItsPeriodOutWhenAsked) {
  CRenameKeyOptions o = kDefaultParts;
  o.selectExceptPeriod = true;
  EXPECT_EQ((Shown{"[report 2024].txt", "report 2024.[txt]", "[report 2024.txt]"}),
            F2Presses(L"|report 2024.txt", o, 3));
  // "name." has an extension of only its period: without it there is nothing to select.
  EXPECT_EQ((Shown{"[name].", "[name.]", "[name]."}), F2Presses(L"|name.", o, 3));
}

TEST(F2, SkipsEmptyPartsAndNeverSelectsTheSameRangeTwice) {
  // No extension: base name and whole name are one range, so F2 selects it and keeps it.
  EXPECT_EQ((Shown{"[.gitignore]", "[.gitignore]"}), F2Presses(L"|.gitignore", kDefaultParts, 2));
  EXPECT_EQ((Shown{"[README]", "[README]"}), F2Presses(L"|README", Parts({Extension, Base}), 2));
  EXPECT_EQ("passed", Press(L"|README", RenameKey::F2, Parts({Extension})));
  EXPECT_EQ("passed", Press(L"|", RenameKey::F2, kDefaultParts)) << "an empty box has no part";
}

TEST(F2, WithoutListedPartsOrWithModifiersIsLeftAlone) {
  EXPECT_EQ("passed", Press(L"|report.txt", RenameKey::F2, Parts({})));
  EXPECT_EQ("passed", Press(L"|report.txt", RenameKey::F2, kDefaultParts, kShift));
  for (CKeyModifiers m : {CKeyModifiers{.ctrl = true}, CKeyModifiers{.alt = true}, CKeyModifiers{.win = true}})
    EXPECT_EQ("passed", Press(L"|report.txt", RenameKey::F2, kDefaultParts, m));
}

TEST(Keys, CountsAndTextsReadFromSharedMemoryStayInsideTheirFields) {
  CRenameKeyOptions o = kDefaultParts;
  o.partCount = 200;
  o.parts[1] = 9;
  EXPECT_EQ((Shown{"[report].txt", "[report.txt]", "[report].txt"}), F2Presses(L"|report.txt", o, 3));
  o = Everything();
  std::fill(std::begin(o.connector), std::end(o.connector), L'~');
  EXPECT_EQ("a~~~20240305|", Press(L"a|", RenameKey::Insert, o));
}

TEST(HomeEnd, JumpToTheStartAndToTheEndOfTheBaseName) {
  CRenameKeyOptions o = Everything();
  o.homeEndInSelection = false;
  EXPECT_EQ("|report 2024.txt", Press(L"report 20|24.txt", RenameKey::Home, o));
  EXPECT_EQ("report 2024|.txt", Press(L"re|port 2024.txt", RenameKey::End, o));
  EXPECT_EQ("report 2024.txt|", Press(L"report 2024|.txt", RenameKey::End, o)) << "a second End";
  EXPECT_EQ("report 2024.txt|", Press(L"report 2024.txt|", RenameKey::End, o)) << "and it stays there";
  EXPECT_EQ("report 2024.txt|", Press(L"report 2024.t|xt", RenameKey::End, o)) << "from inside the extension";
  EXPECT_EQ(".gitignore|", Press(L".git|ignore", RenameKey::End, o));
  // A selection goes, as with the plain keys.
  EXPECT_EQ("|report 2024.txt", Press(L"re[port 20]24.txt", RenameKey::Home, o));
  EXPECT_EQ("report 2024|.txt", Press(L"report 2024[.txt]", RenameKey::End, o));
}

TEST(HomeEnd, JumpToTheEndsOfASelectionWhenAsked) {
  CRenameKeyOptions o = Everything();
  EXPECT_EQ("re|port 2024.txt", Press(L"re[port 20]24.txt", RenameKey::Home, o));
  EXPECT_EQ("report 20|24.txt", Press(L"re[port 20]24.txt", RenameKey::End, o));
  // Without a selection they behave as before.
  EXPECT_EQ("|report 2024.txt", Press(L"report 20|24.txt", RenameKey::Home, o));
  EXPECT_EQ("report 2024|.txt", Press(L"report 20|24.txt", RenameKey::End, o));
}

TEST(HomeEnd, AreLeftAloneWhenOffOrWithShift) {
  CRenameKeyOptions o = Everything();
  EXPECT_EQ("passed", Press(L"re|port.txt", RenameKey::Home, o, kShift));
  EXPECT_EQ("passed", Press(L"re|port.txt", RenameKey::End, o, kShift));
  o.extendHomeEnd = false;
  EXPECT_EQ("passed", Press(L"re|port.txt", RenameKey::Home, o));
  EXPECT_EQ("passed", Press(L"re[po]rt.txt", RenameKey::End, o)) << "the selection switch alone does nothing";
}

TEST(Insert, PutsTheStampAtTheCaretOrInPlaceOfTheSelection) {
  CRenameKeyOptions o = Everything();
  EXPECT_EQ("report20240305| 2024.txt", Press(L"report| 2024.txt", RenameKey::Insert, o));
  EXPECT_EQ("20240305|.txt", Press(L"[report 2024].txt", RenameKey::Insert, o));
  EXPECT_EQ("20240305|", Press(L"|", RenameKey::Insert, o));
}

TEST(Insert, ShiftGivesTheDateAndTimeOnlyWhenAsked) {
  CRenameKeyOptions o = Everything();
  EXPECT_EQ(StampKind::DateTime, StampWanted(RenameKey::Insert, kShift, o));
  o.insertDateTimeInShift = false;
  EXPECT_EQ(StampKind::None, StampWanted(RenameKey::Insert, kShift, o));
  EXPECT_EQ("passed", Press(L"|report.txt", RenameKey::Insert, o, kShift)) << "Shift+Insert pastes as always";
  o.insertDate = false;
  o.insertDateTimeInShift = true;
  EXPECT_EQ(StampKind::None, StampWanted(RenameKey::Insert, kShift, o)) << "the date switch comes first";
  EXPECT_EQ("passed", Press(L"|report.txt", RenameKey::Insert, o));
}

TEST(Insert, AnUnusableStampChangesNothingAndBeeps) {
  EXPECT_EQ("re[po]rt.txt (beep)", Press(L"re[po]rt.txt", RenameKey::Insert, Everything(), {}, {.usable = false}));
  EXPECT_EQ("re|port.txt (beep)", Press(L"re|port.txt", RenameKey::Insert, Everything(), {}, {.text = L""}));
}

TEST(Insert, ConnectorFollowsTheStampAtTheStartAndPrecedesItElsewhere) {
  CRenameKeyOptions o = WithConnector(L"_");
  EXPECT_EQ("20240305_|report.txt", Press(L"|report.txt", RenameKey::Insert, o));
  EXPECT_EQ("report_20240305|.txt", Press(L"report|.txt", RenameKey::Insert, o));
  EXPECT_EQ("report.txt_20240305|", Press(L"report.txt|", RenameKey::Insert, o));
  EXPECT_EQ("20240305_|.txt", Press(L"[report].txt", RenameKey::Insert, o));
  EXPECT_EQ("re-20240305|t.txt", Press(L"re[por]t.txt", RenameKey::Insert, WithConnector(L"-")));
  EXPECT_EQ("20240305 |report.txt", Press(L"|report.txt", RenameKey::Insert, WithConnector(L" ")));
}

TEST(Insert, NoConnectorIntoAnEmptyTextOrBesideTheSameConnector) {
  CRenameKeyOptions o = WithConnector(L"_");
  EXPECT_EQ("20240305|", Press(L"|", RenameKey::Insert, o));
  EXPECT_EQ("20240305|", Press(L"[report.txt]", RenameKey::Insert, o));
  EXPECT_EQ("20240305|_report.txt", Press(L"|_report.txt", RenameKey::Insert, o));
  EXPECT_EQ("report_20240305|.txt", Press(L"report_|.txt", RenameKey::Insert, o));
  EXPECT_EQ("report-_20240305|.txt", Press(L"report-|.txt", RenameKey::Insert, o)) << "another connector is text";
  EXPECT_EQ("2024_|report.txt", Press(L"|report.txt", RenameKey::Insert, o, {}, {.text = L"2024_"}));
  EXPECT_EQ("report_2024|.txt", Press(L"report|.txt", RenameKey::Insert, o, {}, {.text = L"_2024"}));
}

TEST(Insert, AddsTheWholeStampWithItsConnectorWithinTheBoxLimitOrNothing) {
  const std::wstring x254(254, L'x');
  struct Case {
    std::wstring marked;
    std::size_t limit;
    std::string expected;
  } cases[] = {
      {x254 + L"|", 255, U8(x254) + "| (beep)"},
      {x254 + L"|", 262, U8(x254) + "| (beep)"},
      {x254 + L"|", 263, U8(x254) + "_20240305|"},
      {L"report|.txt", 18, "report|.txt (beep)"},
      {L"report|.txt", 19, "report_20240305|.txt"},
      {L"[report].txt", 12, "[report].txt (beep)"},
      {L"[report].txt", 13, "20240305_|.txt"},
      {L"[report.txt]", 8, "20240305|"},
      {L"|", 7, "| (beep)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, Press(c.marked, RenameKey::Insert, WithConnector(L"_"), {}, {}, c.limit)) << c.limit;
  // The longest stamp the stamp routine makes fits with its connector; a longer text is no stamp.
  const std::wstring longest(kMaxStampBytes, L'9'), longer(kMaxStampBytes + 1, L'9');
  EXPECT_EQ("a_" + U8(longest) + "|", Press(L"a|", RenameKey::Insert, WithConnector(L"_"), {}, {.text = longest}));
  EXPECT_EQ("a| (beep)", Press(L"a|", RenameKey::Insert, WithConnector(L"_"), {}, {.text = longer}));
}

TEST(Tab, ErasesTheWholeTextWhenAsked) {
  CRenameKeyOptions o = Everything();
  EXPECT_EQ("|", Press(L"rep[ort].txt", RenameKey::Tab, o));
  EXPECT_EQ("|", Press(L"|", RenameKey::Tab, o)) << "an empty box keeps the focus too";
  EXPECT_EQ("passed", Press(L"report|.txt", RenameKey::Tab, o, kShift));
  o.clearInTab = false;
  EXPECT_EQ("passed", Press(L"report|.txt", RenameKey::Tab, o));
}

TEST(Keys, CommandModifiersAndOtherKeysAlwaysPass) {
  CRenameKeyOptions o = WithConnector(L"_");
  for (RenameKey key : {RenameKey::F2, RenameKey::Home, RenameKey::End, RenameKey::Insert, RenameKey::Tab}) {
    for (CKeyModifiers m : {CKeyModifiers{.ctrl = true}, CKeyModifiers{.alt = true}, CKeyModifiers{.win = true},
                            CKeyModifiers{.shift = true, .ctrl = true}})
      EXPECT_EQ("passed", Press(L"re[po]rt.txt", key, o, m)) << static_cast<int>(key);
  }
  EXPECT_EQ("passed", Press(L"re[po]rt.txt", RenameKey::Other, o));
  EXPECT_EQ("passed", Press(L"re[po]rt.txt", RenameKey::F2, CRenameKeyOptions{})) << "everything off";
}

}  // namespace
