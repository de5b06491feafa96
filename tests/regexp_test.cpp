// Tests for the file-name pattern matcher (shellext/regexp.*).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "adversarial_names.h"
#include "regexp.h"

namespace {

// The four patterns the menu and the renaming commands use.
const wchar_t kShortcutSuffix[] = L"{ へのショートカット}$";
const wchar_t kCopyPrefix[] = L"^{((コピー \\(\\d+\\) ～ )|(コピー ～ ))}";
const wchar_t kNumericHead[] = L"^{([_. \\-(){}\\[\\]]*[0-9][_. \\-(){}\\[\\]]*)+}[^0-9_. \\-(){}\\[\\]]+";
const wchar_t kNumericTail[] = L"[^0-9_. \\-(){}\\[\\]]+{([_. \\-(){}\\[\\]]*[0-9][_. \\-(){}\\[\\]]*)+}$";

std::wstring Span(const wchar_t* input, const wchar_t* start, const wchar_t* end) {
    if (!start || !end) return L"-";
    return std::to_wstring(start - input) + L":" + std::wstring(start, end);
}

// "start:text" of the whole match, then "{start:text}" or "{-}" per group;
// "no match" otherwise. Offsets are into `input`, so a position taken from a
// folded copy would show up as a wrong text.
std::wstring Describe(const CRegExp& re, const wchar_t* input) {
    CRegExpMatch m;
    const wchar_t* end = nullptr;
    if (!re.Match(input, &m, &end)) return L"no match";
    EXPECT_EQ(end, m.GetMatchEnd());
    std::wstring out = Span(input, m.GetMatchStart(), m.GetMatchEnd());
    for (int g = 0; g < m.GetGroupCount(); ++g)
        out += L" {" + Span(input, m.GetGroupStart(g), m.GetGroupEnd(g)) + L"}";
    return out;
}

std::wstring Describe(const wchar_t* pattern, const wchar_t* input, bool caseSensitive = true) {
    CRegExp re;
    const int rc = re.Parse(pattern, caseSensitive);
    if (rc != ErrNone) return L"error " + std::to_wstring(rc);
    return Describe(re, input);
}

int ParseCode(const wchar_t* pattern, bool caseSensitive = true) {
    CRegExp re;
    return re.Parse(pattern, caseSensitive);
}

// ---------------------------------------------------------------- parsing

TEST(RegExpParse, ReportsEachErrorCode) {
    EXPECT_EQ(ParseCode(nullptr), ErrNoPattern);

    EXPECT_EQ(ParseCode(L"{a"), ErrMissingBrace);
    EXPECT_EQ(ParseCode(L"x{"), ErrMissingBrace);
    EXPECT_EQ(ParseCode(L"{a)b}"), ErrMissingBrace);   // ) ends the sequence inside braces

    EXPECT_EQ(ParseCode(L"(a"), ErrMissingParen);
    EXPECT_EQ(ParseCode(L"(a}b)"), ErrMissingParen);
    EXPECT_EQ(ParseCode(L"(a]"), ErrMissingParen);

    EXPECT_EQ(ParseCode(L"[a-]"), ErrMissingBracket);   // range without upper end
    EXPECT_EQ(ParseCode(L"[a-"), ErrMissingBracket);
    EXPECT_EQ(ParseCode(L"[abc"), ErrMissingBracket);
    EXPECT_EQ(ParseCode(L"["), ErrMissingBracket);
    EXPECT_EQ(ParseCode(L"[^"), ErrMissingBracket);
    EXPECT_EQ(ParseCode(L"[a\\]"), ErrMissingBracket);  // escaped bracket does not close
    EXPECT_EQ(ParseCode(L"[a\\"), ErrMissingBracket);

    EXPECT_EQ(ParseCode(L"[]"), ErrEmptyClass);
    EXPECT_EQ(ParseCode(L"[^]"), ErrEmptyClass);
    EXPECT_EQ(ParseCode(L"[]]"), ErrEmptyClass);        // the class ends at the first ]

    EXPECT_EQ(ParseCode(L"\\0"), ErrBadGroupNumber);
    EXPECT_EQ(ParseCode(L"{a}\\1{b}"), ErrBadGroupNumber);   // group 1 not opened yet
    EXPECT_EQ(ParseCode(L"{a}{b}\\1"), ErrNone);
    EXPECT_EQ(ParseCode(L"{a}\\99999999999999999999"), ErrBadGroupNumber);

    EXPECT_EQ(ParseCode(L"[z-a]"), ErrBadRange);
    EXPECT_EQ(ParseCode(L"[a-a]"), ErrNone);

    // Folding happens on a copy of the pattern before it is read.
    EXPECT_EQ(ParseCode(L"[Z-a]", true), ErrNone);
    EXPECT_EQ(ParseCode(L"[Z-a]", false), ErrBadRange);

    // Nesting deep enough to endanger the stack is refused, not crashed on.
    const std::wstring deep = std::wstring(5000, L'(') + L"a" + std::wstring(5000, L')');
    EXPECT_EQ(ParseCode(deep.c_str()), ErrNoMemory);
    EXPECT_EQ(ParseCode(std::wstring(5000, L'!').append(L"a").c_str()), ErrNoMemory);
    const std::wstring modest = std::wstring(50, L'(') + L"a" + std::wstring(50, L')');
    EXPECT_EQ(ParseCode(modest.c_str()), ErrNone);
    // A long alternation chain is not nesting.
    std::wstring chain = L"a";
    for (int i = 0; i < 5000; ++i) chain += L"|a";
    EXPECT_EQ(ParseCode(chain.c_str()), ErrNone);
}

TEST(RegExpParse, EmptyRepeatFollowsTheDialectRule) {
    // Rejected: * or + (greedy or lazy) on something that counts as empty.
    for (const wchar_t* p : {L"(a*)*", L"(a*)+", L"(a*)*?", L"(a?)+", L"{a*}*", L"(a|b?)*", L"(a|)*",
                             L"(a+?)*", L"((a?)(b*))+", L"(!(a?))*", L"(a?\?)+"})
        EXPECT_EQ(ParseCode(p), ErrEmptyRepeat) << p;
    // Accepted: ? on anything; groups with a non-empty item; empty groups;
    // look-aheads and abbreviations count by what follows the ! or as non-empty.
    for (const wchar_t* p : {L"(a*)?", L"(a*)??", L"(a+)*", L"(a*b)+", L"{}*", L"()+", L"(!a)*", L"!a*",
                             L"\\d*", L"(\\z)+", L"(\\q)*", L"(a|b)*", L"({}a?)*"})
        EXPECT_EQ(ParseCode(p), ErrNone) << p;
}

TEST(RegExpParse, EveryAbbreviationCompiles) {
    for (const wchar_t* p : {L"\\a", L"\\b", L"\\c", L"\\d", L"\\h", L"\\n", L"\\q", L"\\w", L"\\z"}) {
        EXPECT_EQ(ParseCode(p, true), ErrNone) << p;
        EXPECT_EQ(ParseCode(p, false), ErrNone) << p;
    }
}

// ----------------------------------------------------------------- syntax

TEST(RegExpSyntax, CaretAndDollarAreAnchorsOnlyAtTheEnds) {
    EXPECT_EQ(Describe(L"^ab", L"ab"), L"0:ab");
    EXPECT_EQ(Describe(L"^ab", L"xab"), L"no match");
    EXPECT_EQ(Describe(L"a^b", L"xa^b"), L"1:a^b");
    EXPECT_EQ(Describe(L"^*", L"*a"), L"0:*");        // after the anchor an atom is expected
    EXPECT_EQ(Describe(L"^*", L"a*"), L"no match");

    EXPECT_EQ(Describe(L"a.$", L"abac"), L"2:ac");
    EXPECT_EQ(Describe(L"ab$", L"abx"), L"no match");
    EXPECT_EQ(Describe(L"a$b", L"xa$b"), L"1:a$b");
    EXPECT_EQ(Describe(L"{a$}", L"a$"), L"0:a$ {0:a$}");
    EXPECT_EQ(Describe(L"a\\$", L"a$"), L"0:a$");     // an escaped dollar stays literal

    EXPECT_EQ(Describe(L"^$", L""), L"0:");
    EXPECT_EQ(Describe(L"^$", L"a"), L"no match");
}

TEST(RegExpSyntax, ClosingCharacterEndsTheTopLevelPattern) {
    EXPECT_EQ(Describe(L"a)b", L"xa"), L"1:a");
    EXPECT_EQ(Describe(L"a)b", L"b"), L"no match");
    EXPECT_EQ(Describe(L"a]b", L"a"), L"0:a");
    EXPECT_EQ(Describe(L"a}{b}", L"a"), L"0:a");       // the ignored tail opens no group
    EXPECT_EQ(Describe(L")", L"xyz"), L"0:");
}

TEST(RegExpSyntax, AlternationJoinsSingleItemsAndNestsRight) {
    EXPECT_EQ(Describe(L"ab|cd", L"abd"), L"0:abd");
    EXPECT_EQ(Describe(L"ab|cd", L"acd"), L"0:acd");
    EXPECT_EQ(Describe(L"ab|cd", L"ab"), L"no match");
    EXPECT_EQ(Describe(L"ab|cd", L"abcd"), L"no match");
    EXPECT_EQ(Describe(L"xa|b|cy", L"xby"), L"0:xby");
    EXPECT_EQ(Describe(L"xa|b|cy", L"xcy"), L"0:xcy");
    EXPECT_EQ(Describe(L"ab*|cd", L"abbbd"), L"0:abbbd");    // the quantifier stays inside the item
    EXPECT_EQ(Describe(L"{a|ab}", L"ab"), L"0:ab {0:ab}");    // (a|a) then b
    EXPECT_EQ(Describe(L"(a|)b", L"b"), L"0:b");             // nothing after the bar: empty side
}

TEST(RegExpSyntax, QuantifierCharactersWhereAnAtomIsExpectedAreLiteral) {
    EXPECT_EQ(Describe(L"*a", L"x*a"), L"1:*a");
    EXPECT_EQ(Describe(L"a**", L"aaa*"), L"0:aaa*");
    EXPECT_EQ(Describe(L"a**", L"aaa"), L"no match");
    EXPECT_EQ(Describe(L"a?*", L"*"), L"0:*");
    EXPECT_EQ(Describe(L"a*??", L"aa?"), L"0:aa?");     // lazy star, then a literal ?
    EXPECT_EQ(Describe(L"|a", L"a|a"), L"1:|a");
    EXPECT_EQ(Describe(L"a|*", L"*"), L"0:*");
    EXPECT_EQ(Describe(L"+", L"1+1"), L"1:+");
}

TEST(RegExpSyntax, Classes) {
    EXPECT_EQ(Describe(L"[a\\-z]+", L"b-az"), L"1:-az");          // escaped hyphen is no range
    EXPECT_EQ(Describe(L"[a-c-e]+", L"xe-bz"), L"1:e-b");         // hyphen starting an item
    EXPECT_EQ(Describe(L"[-a]+", L"x-a"), L"1:-a");
    EXPECT_EQ(Describe(L"[\\]]", L"a]"), L"1:]");
    EXPECT_EQ(Describe(L"[(){}]+", L"a({})"), L"1:({})");
    EXPECT_EQ(Describe(L"[a^]+", L"x^a"), L"1:^a");
    EXPECT_EQ(Describe(L"[\\t]", L"t\t"), L"1:\t");              // \t means tab in a class...
    EXPECT_EQ(Describe(L"\\t", L"\tt"), L"1:t");                 // ...and a plain t outside
    EXPECT_EQ(Describe(L"[!-\\]+", L"a\"[\\b"), L"1:\"[\\");     // upper end taken literally
    EXPECT_EQ(Describe(L"[^a]", L"ab"), L"1:b");
    EXPECT_EQ(Describe(L"a[^b]", L"a"), L"no match");            // classes never match the end
    EXPECT_EQ(Describe(L"a.", L"a"), L"no match");
}

TEST(RegExpSyntax, EscapesAndAbbreviations) {
    EXPECT_EQ(Describe(L"\\(\\)\\.", L"a()."), L"1:().");
    EXPECT_EQ(Describe(L"\\a+", L"-aZ9-"), L"1:aZ9");
    EXPECT_EQ(Describe(L"x\\by", L"x y"), L"0:x y");
    EXPECT_EQ(Describe(L"x\\by", L"x\ty"), L"0:x\ty");
    EXPECT_EQ(Describe(L"\\c+", L"1aB2"), L"1:aB");
    EXPECT_EQ(Describe(L"\\d+", L"ab123c"), L"2:123");
    EXPECT_EQ(Describe(L"\\h+", L"xyzBEEF0g"), L"3:BEEF0");
    EXPECT_EQ(Describe(L"a\\nb", L"a\rb"), L"0:a\rb");
    EXPECT_EQ(Describe(L"a\\nb", L"a\nb"), L"0:a\nb");
    EXPECT_EQ(Describe(L"a\\nb", L"a\r\nb"), L"0:a\r\nb");
    EXPECT_EQ(Describe(L"a\\nb", L"ab"), L"no match");
    EXPECT_EQ(Describe(L"\\w", L"12ab3"), L"2:ab");
    EXPECT_EQ(Describe(L"\\z", L"ab123c"), L"2:123");
    EXPECT_EQ(Describe(L"\\x", L"axb"), L"1:x");                 // not in the table: literal

    // Case-insensitive patterns are folded before they are read.
    EXPECT_EQ(Describe(L"\\D+", L"xD12", true), L"1:D");
    EXPECT_EQ(Describe(L"\\D+", L"xD12", false), L"2:12");
}

// Decision: \q is a quoted string in either quote style.
TEST(RegExpSyntax, QuotedStringAbbreviationAcceptsBothQuoteStyles) {
    EXPECT_EQ(Describe(L"\\q", L"say \"hi\" now"), L"4:\"hi\"");
    EXPECT_EQ(Describe(L"\\q", L"x 'ok' y"), L"2:'ok'");
    EXPECT_EQ(Describe(L"\\q", L"\"a'b\""), L"0:\"a'b\"");
    EXPECT_EQ(Describe(L"\\q", L"\"open"), L"no match");
    EXPECT_EQ(Describe(L"{\\q}+", L"'a''b'"), L"0:'a''b' {3:'b'}");
}

// Decision: a trailing single backslash is a literal backslash, as every
// other character with nothing to act on is taken as itself.
TEST(RegExpSyntax, TrailingBackslashIsLiteral) {
    EXPECT_EQ(ParseCode(L"a\\"), ErrNone);
    EXPECT_EQ(Describe(L"a\\", L"xa\\"), L"1:a\\");
    EXPECT_EQ(Describe(L"a\\", L"a"), L"no match");
    EXPECT_EQ(Describe(L"\\", L"x\\"), L"1:\\");
}

TEST(RegExpSyntax, ExclamationIsANegativeLookAhead) {
    EXPECT_EQ(Describe(L"a!b", L"ab ac"), L"3:a");
    EXPECT_EQ(Describe(L"a!b", L"a"), L"0:a");
    EXPECT_EQ(Describe(L"!a.", L"ab"), L"1:b");
    EXPECT_EQ(Describe(L"a!$", L"aa"), L"0:a");
    EXPECT_EQ(Describe(L"a!$", L"a"), L"no match");
    EXPECT_EQ(Describe(L"!(ab)a", L"aba ac"), L"2:a");
    EXPECT_EQ(Describe(L"!!a.", L"ba"), L"1:a");
    EXPECT_EQ(Describe(L"a!", L"a!"), L"0:a!");            // nothing to negate: literal
    EXPECT_EQ(Describe(L"!{b}{.}", L"a"), L"0:a {-} {0:a}");  // captures never leak out
    EXPECT_EQ(Describe(L"(!b.)+", L"aab"), L"0:aa");
    // The same look-ahead succeeds at 0 and must be tried afresh at 1 and 2.
    EXPECT_EQ(Describe(L"!(a*b).", L"aab"), L"no match");
    EXPECT_EQ(Describe(L"!(a*b).", L"aabc"), L"3:c");
    EXPECT_EQ(Describe(L"{(!(ab).)+}ab", L"xaab"), L"0:xaab {0:xa}");
    EXPECT_EQ(Describe(L"{(!(ab).)+}b", L"xaab"), L"no match");
}

TEST(RegExpSyntax, BackReferences) {
    EXPECT_EQ(Describe(L"{a+}-\\0", L"aa-aa"), L"0:aa-aa {0:aa}");
    EXPECT_EQ(Describe(L"{a+}-\\0", L"aa-a"), L"1:a-a {1:a}");
    EXPECT_EQ(Describe(L"{a}\\0", L"aA", false), L"0:aA {0:a}");
    EXPECT_EQ(Describe(L"{a}\\0", L"aA", true), L"no match");
    EXPECT_EQ(Describe(L"({x})?\\0y", L"y"), L"0:y {-}");       // empty group matches empty
    EXPECT_EQ(Describe(L"({a\\0})+", L"aaa"), L"0:aaa {1:aa}"); // refers to the last closed text
}

// --------------------------------------------------------------- matching

TEST(RegExpMatching, GreedyLazyAndFirstMatch) {
    EXPECT_EQ(Describe(L"{a+}", L"aaa"), L"0:aaa {0:aaa}");
    EXPECT_EQ(Describe(L"{a+?}", L"aaa"), L"0:a {0:a}");
    EXPECT_EQ(Describe(L"{a*?}b", L"aab"), L"0:aab {0:aa}");
    EXPECT_EQ(Describe(L"{.*}x", L"axbx"), L"0:axbx {0:axb}");
    EXPECT_EQ(Describe(L"{.*?}x", L"axbx"), L"0:ax {0:a}");
    EXPECT_EQ(Describe(L"{a?}a", L"aa"), L"0:aa {0:a}");
    EXPECT_EQ(Describe(L"{a??}a", L"aa"), L"0:a {0:}");
    // First match found, not the longest; later alternatives only on failure.
    EXPECT_EQ(Describe(L"{(a)|(ab)}", L"abc"), L"0:a {0:a}");
    EXPECT_EQ(Describe(L"{(a)|(ab)}c", L"abc"), L"0:abc {0:ab}");
    EXPECT_EQ(Describe(L"{(a)|(ab)}c", L"xabc"), L"1:abc {1:ab}");
}

TEST(RegExpMatching, CapturesReportLastIterationAndAreRestoredOnBacktracking) {
    EXPECT_EQ(Describe(L"({[a-c]})+", L"abc"), L"0:abc {2:c}");
    EXPECT_EQ(Describe(L"({a}|b)*", L"ab"), L"0:ab {0:a}");
    EXPECT_EQ(Describe(L"({a}|{b})*", L"ab"), L"0:ab {0:a} {1:b}");
    EXPECT_EQ(Describe(L"({a}b)|(ac)", L"ac"), L"0:ac {-}");
    // The third iteration sets the group, then fails; the second one's value returns.
    EXPECT_EQ(Describe(L"({a}b)*ac", L"ababac"), L"0:ababac {2:a}");
    EXPECT_EQ(Describe(L"{x}?{y}", L"xz y"), L"3:y {-} {3:y}");
}

TEST(RegExpMatching, IterationThatConsumedNothingEndsTheLoop) {
    EXPECT_EQ(Describe(L"({}a?)*", L"aab"), L"0:aa {2:}");
    EXPECT_EQ(Describe(L"({}a?)+", L""), L"0: {0:}");
    EXPECT_EQ(Describe(L"{}*", L"b"), L"0: {0:}");
    EXPECT_EQ(Describe(L"(!b)*b", L"ab"), L"1:b");
    EXPECT_EQ(Describe(L"(({}a?)*b)+", L"aabab"), L"0:aabab {4:}");
    EXPECT_EQ(Describe(L"(({}a?)*b)+c", L"aababc"), L"0:aababc {4:}");   // iteration 3 undone
}

TEST(RegExpMatching, StartPositionsAndEmptyInput) {
    EXPECT_EQ(Describe(L"", L""), L"0:");
    EXPECT_EQ(Describe(L"", L"abc"), L"0:");
    EXPECT_EQ(Describe(L"a*", L""), L"0:");
    EXPECT_EQ(Describe(L"{a*}", L""), L"0: {0:}");
    EXPECT_EQ(Describe(L"a", L""), L"no match");
    EXPECT_EQ(Describe(L"$", L""), L"0:");
    // The end of a non-empty input is never a start position.
    EXPECT_EQ(Describe(L"$", L"abc"), L"no match");
    EXPECT_EQ(Describe(L"x*$", L"ab"), L"no match");
    EXPECT_EQ(Describe(L"b?$", L"ab"), L"1:b");
}

TEST(RegExpMatching, CaseInsensitiveFoldsOnlyAsciiAndReportsCallerPositions) {
    EXPECT_EQ(Describe(L"ABC", L"xabcx", false), L"1:abc");
    EXPECT_EQ(Describe(L"ABC", L"XABCX", false), L"1:ABC");
    EXPECT_EQ(Describe(L"ABC", L"xabcx", true), L"no match");
    EXPECT_EQ(Describe(L"[A-C]+", L"xaBcD", false), L"1:aBc");
    EXPECT_EQ(Describe(L"ä", L"Ä", false), L"no match");
    EXPECT_EQ(Describe(L"ａ", L"Ａ", false), L"no match");   // full-width letters stay apart

    CRegExp re;
    ASSERT_EQ(re.Parse(L"{ABC}", false), ErrNone);
    const wchar_t input[] = L"XABCX";
    CRegExpMatch m;
    const wchar_t* end = nullptr;
    ASSERT_TRUE(re.Match(input, &m, &end));
    EXPECT_EQ(m.GetGroupStart(0), input + 1);
    EXPECT_EQ(m.GetGroupEnd(0), input + 4);
    EXPECT_EQ(m.GetMatchStart(), input + 1);
    EXPECT_EQ(end, input + 4);
}

TEST(RegExpApi, NullArgumentsFailedParseAndReuse) {
    CRegExp re;
    CRegExpMatch m;
    ASSERT_EQ(re.Parse(L"{a}", true), ErrNone);
    EXPECT_FALSE(re.Match(nullptr, &m));
    EXPECT_FALSE(re.Match(L"a", nullptr));

    ASSERT_TRUE(re.Match(L"a", &m));
    EXPECT_NE(m.GetGroupStart(0), nullptr);
    EXPECT_EQ(m.GetGroupStart(-1), nullptr);
    EXPECT_EQ(m.GetGroupStart(1), nullptr);
    EXPECT_FALSE(re.Match(L"b", &m));            // the record is reset by every call
    EXPECT_EQ(m.GetGroupCount(), 1);
    EXPECT_EQ(m.GetGroupStart(0), nullptr);
    EXPECT_EQ(m.GetMatchStart(), nullptr);

    EXPECT_EQ(re.Parse(L"{a}(", true), ErrMissingParen);   // earlier form discarded
    EXPECT_EQ(re.GetGroupCount(), 0);
    EXPECT_FALSE(re.Match(L"a", &m));
    EXPECT_EQ(re.Parse(nullptr, true), ErrNoPattern);
    EXPECT_FALSE(re.Match(L"a", &m));

    ASSERT_EQ(re.Parse(L"{x}{y}", true), ErrNone);
    EXPECT_EQ(re.GetGroupCount(), 2);
    ASSERT_TRUE(re.Match(L"axy", &m));
    EXPECT_EQ(m.GetGroupCount(), 2);
    ASSERT_EQ(re.Parse(L"b", true), ErrNone);
    ASSERT_TRUE(re.Match(L"ab", &m));
    EXPECT_EQ(m.GetGroupCount(), 0);
}

// -------------------------------------------------------- system patterns

std::wstring System(const wchar_t* pattern, const wchar_t* name) { return Describe(pattern, name, false); }

TEST(SystemPatterns, ShortcutSuffixOnlyAtTheEnd) {
    EXPECT_EQ(System(kShortcutSuffix, L"memo へのショートカット"), L"4: へのショートカット {4: へのショートカット}");
    EXPECT_EQ(System(kShortcutSuffix, L"へのショートカット memo"), L"no match");
    EXPECT_EQ(System(kShortcutSuffix, L"a へのショートカット b"), L"no match");
    EXPECT_EQ(System(kShortcutSuffix, L"memoへのショートカット"), L"no match");
    EXPECT_EQ(System(kShortcutSuffix, L" へのショートカット"), L"0: へのショートカット {0: へのショートカット}");
}

TEST(SystemPatterns, CopyPrefixWithAndWithoutNumber) {
    EXPECT_EQ(System(kCopyPrefix, L"コピー (12) ～ memo"), L"0:コピー (12) ～  {0:コピー (12) ～ }");
    EXPECT_EQ(System(kCopyPrefix, L"コピー ～ memo"), L"0:コピー ～  {0:コピー ～ }");
    EXPECT_EQ(System(kCopyPrefix, L"memo コピー ～ x"), L"no match");
    EXPECT_EQ(System(kCopyPrefix, L"コピー () ～ memo"), L"no match");
    EXPECT_EQ(System(kCopyPrefix, L"コピー (x) ～ memo"), L"no match");
    EXPECT_EQ(System(kCopyPrefix, L"コピー ~ memo"), L"no match");        // ASCII tilde
    // Removing repeatedly (Shift) peels one prefix per match.
    EXPECT_EQ(System(kCopyPrefix, L"コピー ～ コピー (2) ～ memo"), L"0:コピー ～  {0:コピー ～ }");
    EXPECT_EQ(System(kCopyPrefix, L"コピー (2) ～ memo"), L"0:コピー (2) ～  {0:コピー (2) ～ }");
}

TEST(SystemPatterns, NumericHead) {
    EXPECT_EQ(System(kNumericHead, L"2024_03_05 report"), L"0:2024_03_05 report {0:2024_03_05 }");
    EXPECT_EQ(System(kNumericHead, L"(1) memo"), L"0:(1) memo {0:(1) }");
    EXPECT_EQ(System(kNumericHead, L"1st report"), L"0:1st {0:1}");
    EXPECT_EQ(System(kNumericHead, L"[2024]{01}-x"), L"0:[2024]{01}-x {0:[2024]{01}-}");
    EXPECT_EQ(System(kNumericHead, L"123"), L"no match");
    EXPECT_EQ(System(kNumericHead, L"abc123"), L"no match");
    EXPECT_EQ(System(kNumericHead, L"__ x"), L"no match");      // separators but no digit
    EXPECT_EQ(System(kNumericHead, L"１memo"), L"no match");    // only ASCII digits count
}

TEST(SystemPatterns, NumericTail) {
    EXPECT_EQ(System(kNumericTail, L"report_01"), L"0:report_01 {6:_01}");
    EXPECT_EQ(System(kNumericTail, L"report (2)"), L"0:report (2) {6: (2)}");
    EXPECT_EQ(System(kNumericTail, L"a1b2"), L"2:b2 {3:2}");
    EXPECT_EQ(System(kNumericTail, L"memo [1]{2}"), L"0:memo [1]{2} {4: [1]{2}}");
    EXPECT_EQ(System(kNumericTail, L"2024"), L"no match");
    EXPECT_EQ(System(kNumericTail, L"report_"), L"no match");
    EXPECT_EQ(System(kNumericTail, L"report_1x"), L"no match");
}

// ------------------------------------------------------------------- work

std::vector<std::wstring> AdversarialNames() {
    return ::AdversarialNames({1u, 2u, 3u, 7u, 16u, 31u, 64u, 100u, 128u, 200u, 257u, 258u, 259u});
}

// Each state (instruction, position) is explored at most once, and every
// step either explores one or arrives at one from an explored state or a
// start position, so the work is linear in pattern size times name length.
constexpr std::size_t kStepsPerState = 3;

TEST(RegExpWork, StepsStayLinearOnAdversarialNames) {
    for (const wchar_t* pattern : {kShortcutSuffix, kCopyPrefix, kNumericHead, kNumericTail}) {
        CRegExp re;
        ASSERT_EQ(re.Parse(pattern, false), ErrNone);
        CRegExpMatch m;
        for (const std::wstring& name : AdversarialNames()) {
            re.Match(name.c_str(), &m);
            EXPECT_LE(re.GetLastMatchSteps(), kStepsPerState * re.GetProgramSize() * (name.size() + 1))
                << pattern << L" on \"" << name << L"\"";
        }
    }
}

// The memo must not change what is found: compare with plain backtracking.
TEST(RegExpWork, MemoAgreesWithPlainBacktrackingOnSystemPatterns) {
    for (const wchar_t* pattern : {kShortcutSuffix, kCopyPrefix, kNumericHead, kNumericTail}) {
        CRegExp memo, plain;
        ASSERT_EQ(memo.Parse(pattern, false), ErrNone);
        ASSERT_EQ(plain.Parse(pattern, false), ErrNone);
        plain.SetPlainBacktracking(true);
        plain.SetStepLimit(5'000'000);
        for (const std::wstring& name : AdversarialNames()) {
            if (name.size() > 16) continue;
            const std::wstring expected = Describe(plain, name.c_str());
            if (plain.LastMatchHitStepLimit()) continue;
            EXPECT_EQ(Describe(memo, name.c_str()), expected) << pattern << L" on \"" << name << L"\"";
        }
    }
}

// Random well-formed patterns, dense in look-aheads, empty iterations and
// nested loops: the places where a failure memo can go wrong.
class PatternGenerator {
public:
    explicit PatternGenerator(unsigned seed) : m_rng(seed) {}

    std::wstring Sequence(int depth) {
        std::wstring out;
        for (int n = 1 + Pick(3); n > 0; --n) out += Item(depth);
        return out;
    }

    std::wstring Input() {
        std::wstring out;
        for (int n = Pick(9); n > 0; --n) out += L"aab"[Pick(3)];
        return out;
    }

private:
    int Pick(int n) { return static_cast<int>(m_rng() % static_cast<unsigned>(n)); }

    std::wstring Item(int depth) {
        static const wchar_t* const quantifiers[] = {L"*", L"+", L"?", L"*?", L"+?", L"?\?"};
        std::wstring out = Atom(depth);
        if (Pick(5) < 2) out += quantifiers[Pick(6)];
        if (Pick(6) == 0) out += L"|" + Item(depth);
        return out;
    }

    std::wstring Atom(int depth) {
        static const wchar_t* const leaves[] = {L"a", L"b", L".", L"[ab]", L"[^b]", L"{}", L"()"};
        if (depth == 0 || Pick(5) < 2) return leaves[Pick(7)];
        switch (Pick(3)) {
        case 0: return L"(" + Sequence(depth - 1) + L")";
        case 1: return L"{" + Sequence(depth - 1) + L"}";
        default: return L"!" + Atom(depth - 1);
        }
    }

    std::mt19937 m_rng;
};

TEST(RegExpWork, MemoAgreesWithPlainBacktrackingOnRandomPatterns) {
    PatternGenerator gen(20240305);
    int compiled = 0, compared = 0;
    for (int i = 0; i < 8000; ++i) {
        const std::wstring pattern = gen.Sequence(3) + (i % 4 == 0 ? L"$" : L"");
        CRegExp memo, plain;
        if (memo.Parse(pattern.c_str(), true) != ErrNone) continue;
        ASSERT_EQ(plain.Parse(pattern.c_str(), true), ErrNone);
        plain.SetPlainBacktracking(true);
        plain.SetStepLimit(1'000'000);
        ++compiled;
        for (int k = 0; k < 8; ++k) {
            const std::wstring input = gen.Input();
            const std::wstring expected = Describe(plain, input.c_str());
            if (plain.LastMatchHitStepLimit()) continue;
            ++compared;
            ASSERT_EQ(Describe(memo, input.c_str()), expected) << L"pattern " << pattern << L" input " << input;
        }
    }
    EXPECT_GT(compiled, 4000);
    EXPECT_GT(compared, 30000);
}

}  // namespace
