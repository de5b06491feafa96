// Pattern matcher: parse to a small tree, compile to instructions for a
// backtracking machine, run depth-first.
//
// Depth-first backtracking is exponential on nested quantifiers such as
// ([_ ]*[0-9][_ ]*)+ against "1 2 3 ... 9", and the menu runs such patterns
// on every right-click. The machine therefore remembers which states already
// failed: a state is (instruction, position, empty-iteration marks). Without
// back-references, whether a state can still reach a match does not depend on
// the captures, only on that triple, so a failed state is never explored
// twice. The search order is untouched, so the first match and its captures
// are exactly those of plain backtracking. Patterns with back-references run
// without the memo.

#include "regexp.h"

#include <climits>
#include <cwchar>
#include <string>
#include <type_traits>

namespace regexp_detail {
namespace {

// Deeper nesting is refused rather than risking the caller's stack.
constexpr int kMaxNesting = 200;

std::uint32_t Unit(wchar_t c) {
    return static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c));
}

std::uint32_t Fold(std::uint32_t c) { return c - 'A' < 26u ? c + ('a' - 'A') : c; }

// Letter, then expansion. \q accepts both quote styles: a user writing \q
// means "a quoted string", and a file name is as likely to hold 'x' as "x".
const wchar_t* const kAbbreviations[] = {
    L"a([a-zA-Z0-9])", L"b([ \\t])", L"c([a-zA-Z])", L"d([0-9])", L"h([0-9a-fA-F])",
    L"n(\r|(\r?\n))", L"q(\"[^\"]*\")|('[^']*')", L"w([a-zA-Z]+)", L"z([0-9]+)",
};

struct Node {
    enum Kind : std::uint8_t { Seq, Group, Capture, Empty, Lit, Any, Set, Ref, End, Alt, Repeat, Not };
    Kind kind = Seq;
    std::uint32_t value = 0;   // character, set, group number
    wchar_t quant = 0;         // '?', '*' or '+'
    bool greedy = true;
    std::vector<Node> kids;
};

Node Make(Node::Kind kind, std::uint32_t value = 0) {
    Node n;
    n.kind = kind;
    n.value = value;
    return n;
}

// The dialect's own rule for rejecting * and + (ErrEmptyRepeat). It is not
// true nullability: an empty group, a look-ahead and a back-reference count
// as non-empty, and a lazy + counts as empty. Abbreviations (Seq) never count.
bool CountsAsEmpty(const Node& n) {
    switch (n.kind) {
    case Node::Group:
    case Node::Capture:
        if (n.kids.empty()) return false;
        for (const Node& k : n.kids)
            if (!CountsAsEmpty(k)) return false;
        return true;
    case Node::Alt:
        for (const Node& k : n.kids)
            if (CountsAsEmpty(k)) return true;
        return false;
    case Node::Empty: return true;
    case Node::Repeat: return n.quant != L'+' || !n.greedy || CountsAsEmpty(n.kids[0]);
    case Node::Not: return CountsAsEmpty(n.kids[0]);
    default: return false;
    }
}

// Whether the node might match the empty string (may over-approximate).
// Decides which loops need an empty-iteration mark.
bool MayBeEmpty(const Node& n) {
    switch (n.kind) {
    case Node::Lit:
    case Node::Any:
    case Node::Set: return false;
    case Node::Seq:
    case Node::Group:
    case Node::Capture:
        for (const Node& k : n.kids)
            if (!MayBeEmpty(k)) return false;
        return true;
    case Node::Alt:
        for (const Node& k : n.kids)
            if (MayBeEmpty(k)) return true;
        return false;
    case Node::Repeat: return n.quant != L'+' || MayBeEmpty(n.kids[0]);
    default: return true;   // Empty, Ref, End, Not
    }
}

struct ParseFail { int code; };

struct ParseState {
    int groups = 0;
    bool hasRef = false;
};

}  // namespace

class Parser {
public:
    Parser(const std::wstring& text, std::size_t pos, bool isPattern, ParseState& state, int depth,
           std::vector<CRegExp::CharSet>& sets)
        : m_text(text), m_pos(pos), m_isPattern(isPattern), m_state(state), m_depth(depth), m_sets(sets) {}

    void ParseItems(Node& into) {
        Node atom;
        while (ParseAtom(atom)) into.kids.push_back(ParseItem(std::move(atom)));
    }

private:
    bool More() const { return m_pos < m_text.size(); }
    wchar_t Peek() const { return m_text[m_pos]; }
    void Enter() {
        if (++m_depth > kMaxNesting) throw ParseFail{ErrNoMemory};
    }

    // False where no atom starts: at the end or at a closing character.
    bool ParseAtom(Node& out) {
        if (!More()) return false;
        const wchar_t c = Peek();
        if (c == L')' || c == L']' || c == L'}') return false;
        ++m_pos;
        switch (c) {
        case L'.': out = Make(Node::Any); return true;
        case L'[': out = ParseClass(); return true;
        case L'\\': out = ParseEscape(); return true;
        case L'(':
        case L'{': {
            Enter();
            out = Make(c == L'(' ? Node::Group : Node::Capture);
            if (c == L'{') out.value = static_cast<std::uint32_t>(m_state.groups++);
            ParseItems(out);
            if (!More() || Peek() != (c == L'(' ? L')' : L'}'))
                throw ParseFail{c == L'(' ? ErrMissingParen : ErrMissingBrace};
            ++m_pos;
            --m_depth;
            return true;
        }
        case L'!': {
            Enter();
            Node inner;
            if (ParseAtom(inner)) {
                out = Make(Node::Not);
                out.kids.push_back(std::move(inner));
            } else {
                out = Make(Node::Lit, '!');   // nothing to negate: an ordinary character
            }
            --m_depth;
            return true;
        }
        case L'$':
            if (m_isPattern && m_pos == m_text.size()) {
                out = Make(Node::End);
                return true;
            }
            break;
        default: break;
        }
        out = Make(Node::Lit, Unit(c));
        return true;
    }

    Node ParseItem(Node atom) {
        atom = ParseQuantifier(std::move(atom));
        if (!More() || Peek() != L'|') return atom;
        // a|b|c nests to the right, which as an ordered choice is just [a, b, c].
        Node alt = Make(Node::Alt);
        alt.kids.push_back(std::move(atom));
        while (More() && Peek() == L'|') {
            ++m_pos;
            Node next;
            if (!ParseAtom(next)) {
                alt.kids.push_back(Make(Node::Empty));
                break;
            }
            alt.kids.push_back(ParseQuantifier(std::move(next)));
        }
        return alt;
    }

    Node ParseQuantifier(Node atom) {
        if (!More()) return atom;
        const wchar_t q = Peek();
        if (q != L'*' && q != L'+' && q != L'?') return atom;
        ++m_pos;
        const bool lazy = More() && Peek() == L'?';
        if (lazy) ++m_pos;
        if (q != L'?' && CountsAsEmpty(atom)) throw ParseFail{ErrEmptyRepeat};
        Node rep = Make(Node::Repeat);
        rep.quant = q;
        rep.greedy = !lazy;
        rep.kids.push_back(std::move(atom));
        return rep;
    }

    Node ParseEscape() {
        // Trailing backslash: taken as itself, like every other character
        // that has nothing to act on.
        if (!More()) return Make(Node::Lit, '\\');
        const wchar_t e = m_text[m_pos++];
        if (e >= L'0' && e <= L'9') {
            long long n = e - L'0';
            while (More() && Peek() >= L'0' && Peek() <= L'9') {
                n = n * 10 + (m_text[m_pos++] - L'0');
                if (n > INT_MAX) n = INT_MAX;
            }
            if (n >= m_state.groups) throw ParseFail{ErrBadGroupNumber};
            m_state.hasRef = true;
            return Make(Node::Ref, static_cast<std::uint32_t>(n));
        }
        for (const wchar_t* abbr : kAbbreviations) {
            if (abbr[0] != e) continue;
            Enter();
            const std::wstring expansion(abbr + 1);
            Node seq = Make(Node::Seq);
            try {
                Parser sub(expansion, 0, false, m_state, m_depth, m_sets);
                sub.ParseItems(seq);
            } catch (const ParseFail& f) {
                throw ParseFail{f.code == ErrNoMemory ? ErrNoMemory : ErrBadAbbreviation};
            }
            --m_depth;
            return seq;
        }
        return Make(Node::Lit, Unit(e));
    }

    Node ParseClass() {
        CRegExp::CharSet set;
        if (More() && Peek() == L'^') {
            set.negate = true;
            ++m_pos;
        }
        for (;;) {
            if (!More()) throw ParseFail{ErrMissingBracket};
            wchar_t c = m_text[m_pos++];
            if (c == L']') break;
            if (c == L'\\') {
                if (!More()) throw ParseFail{ErrMissingBracket};
                c = m_text[m_pos++];
                if (c == L't') c = L'\t';
            }
            std::uint32_t lo = Unit(c), hi = lo;
            if (More() && Peek() == L'-') {
                if (m_pos + 1 >= m_text.size() || m_text[m_pos + 1] == L']') throw ParseFail{ErrMissingBracket};
                hi = Unit(m_text[m_pos + 1]);   // the upper end is never an escape
                m_pos += 2;
                if (hi < lo) throw ParseFail{ErrBadRange};
            }
            set.ranges.emplace_back(lo, hi);
        }
        if (set.ranges.empty()) throw ParseFail{ErrEmptyClass};
        m_sets.push_back(std::move(set));
        return Make(Node::Set, static_cast<std::uint32_t>(m_sets.size() - 1));
    }

    const std::wstring& m_text;
    std::size_t m_pos;
    bool m_isPattern;
    ParseState& m_state;
    int m_depth;
    std::vector<CRegExp::CharSet>& m_sets;
};

class Compiler {
public:
    // Registers: open, start and end per capture group, then the loop marks.
    Compiler(CRegExp& re, std::size_t groups) : m_re(re), m_nextReg(3 * groups) { re.m_loopOff.assign(1, 0); }

    void Emit(const Node& n) {
        using Op = CRegExp::Op;
        switch (n.kind) {
        case Node::Seq:
        case Node::Group:
            for (const Node& k : n.kids) Emit(k);
            break;
        case Node::Capture:
            Add(Op::Save, 3 * n.value);
            for (const Node& k : n.kids) Emit(k);
            Add(Op::Close, n.value);
            break;
        case Node::Empty: break;
        case Node::Lit: Add(Op::Char, n.value); break;
        case Node::Any: Add(Op::Any); break;
        case Node::Set: Add(Op::Set, n.value); break;
        case Node::Ref: Add(Op::Ref, n.value); break;
        case Node::End: Add(Op::End); break;
        case Node::Alt: {
            std::vector<std::uint32_t> jumps;
            for (std::size_t i = 0; i + 1 < n.kids.size(); ++i) {
                const std::uint32_t split = Add(Op::Split, Here() + 1);
                Emit(n.kids[i]);
                jumps.push_back(Add(Op::Jmp));
                m_re.m_prog[split].y = Here();
            }
            Emit(n.kids.back());
            for (std::uint32_t j : jumps) m_re.m_prog[j].x = Here();
            break;
        }
        case Node::Not: {
            const std::uint32_t look = Add(Op::Look, 0, static_cast<std::uint32_t>(m_re.m_lookCount++));
            // Marks of loops outside are not read inside the look-ahead.
            std::vector<std::uint32_t> outer;
            outer.swap(m_active);
            Emit(n.kids[0]);
            Add(Op::Succeed);
            m_active.swap(outer);
            m_re.m_prog[look].x = Here();
            break;
        }
        case Node::Repeat: EmitRepeat(n); break;
        }
    }

    void Finish() {
        Add(CRegExp::Op::Match);
        m_re.m_regCount = m_nextReg;
        m_re.m_slotBase.resize(m_re.m_prog.size());
        std::size_t total = 0;
        for (std::size_t pc = 0; pc < m_re.m_prog.size(); ++pc) {
            m_re.m_slotBase[pc] = total;
            total += 1 + (m_re.m_loopOff[pc + 1] - m_re.m_loopOff[pc]);
        }
        m_re.m_slotsPerPos = total;
    }

private:
    std::uint32_t Here() const { return static_cast<std::uint32_t>(m_re.m_prog.size()); }

    std::uint32_t Add(CRegExp::Op op, std::uint32_t x = 0, std::uint32_t y = 0) {
        m_re.m_prog.push_back({op, x, y});
        for (auto it = m_active.rbegin(); it != m_active.rend(); ++it) m_re.m_loopRegs.push_back(*it);
        m_re.m_loopOff.push_back(static_cast<std::uint32_t>(m_re.m_loopRegs.size()));
        return Here() - 1;
    }

    // x? : split body, out
    // x* : L: split body, out; body: [mark] x [check -> out]; jmp L; out:
    // x+ : body: [mark] x [check -> out]; split body, out; out:
    // The mark/check pair stops a loop whose iteration consumed nothing; it is
    // only emitted when the body might match the empty string.
    void EmitRepeat(const Node& n) {
        using Op = CRegExp::Op;
        const Node& body = n.kids[0];
        std::uint32_t split = 0, start = 0, check = UINT32_MAX;
        if (n.quant == L'?') {
            split = Add(Op::Split);
            start = Here();
            Emit(body);
        } else {
            if (n.quant == L'*') split = Add(Op::Split);
            start = Here();
            const bool track = MayBeEmpty(body);
            std::uint32_t mark = 0;
            if (track) {
                mark = static_cast<std::uint32_t>(m_nextReg++);
                Add(Op::Save, mark);
                m_active.push_back(mark);
            }
            Emit(body);
            if (track) {
                check = Add(Op::LoopCheck, mark);
                m_active.pop_back();
            }
            if (n.quant == L'*') Add(Op::Jmp, split);
            else split = Add(Op::Split);
        }
        const std::uint32_t out = Here();
        m_re.m_prog[split].x = n.greedy ? start : out;
        m_re.m_prog[split].y = n.greedy ? out : start;
        if (check != UINT32_MAX) m_re.m_prog[check].y = out;
    }

    CRegExp& m_re;
    std::vector<std::uint32_t> m_active;   // marks of the loops being emitted
    std::size_t m_nextReg;
};

class Runner {
public:
    Runner(const CRegExp& re, CRegExpMatch& m, const wchar_t* input)
        : m_re(re), m_m(m), m_input(input), m_len(std::wcslen(input)),
          m_memo(!re.m_plain && !re.m_hasBackRef), m_limit(re.m_stepLimit) {}

    bool Search() {
        m_m.m_regs.assign(m_re.m_regCount, -1);
        m_m.m_stack.clear();
        m_m.m_stack.reserve(256);
        m_m.m_log.clear();
        if (m_memo) {
            m_m.m_failed.assign(((m_len + 1) * m_re.m_slotsPerPos + 63) / 64, 0);
            m_m.m_looks.assign(m_re.m_lookCount * (m_len + 1), 0);
        }
        // The end of a non-empty input is never a start position.
        const std::size_t last = (m_re.m_anchored || m_len == 0) ? 0 : m_len - 1;
        for (std::size_t start = 0; start <= last; ++start) {
            std::size_t end = 0;
            if (Run(0, start, 0, end)) {
                const auto at = [&](std::ptrdiff_t p) { return p < 0 ? nullptr : m_input + p; };
                for (int g = 0; g < m_re.m_groupCount; ++g) {
                    m_m.m_groups[2 * g] = at(m_m.m_regs[3 * g + 1]);
                    m_m.m_groups[2 * g + 1] = at(m_m.m_regs[3 * g + 2]);
                }
                m_m.m_start = m_input + start;
                m_m.m_end = m_input + end;
                return true;
            }
            if (m_aborted) break;
        }
        return false;
    }

    std::size_t Steps() const { return m_steps; }
    bool Aborted() const { return m_aborted; }

private:
    using Op = CRegExp::Op;

    std::uint32_t At(std::size_t pos) const {
        const std::uint32_t c = Unit(m_input[pos]);
        return m_re.m_caseSensitive ? c : Fold(c);
    }

    // A loop's mark only matters through "nothing consumed since the mark",
    // and marks of enclosing loops are ordered, so the live marks equal to pos
    // form a prefix (innermost first): its length completes the state.
    std::size_t StateId(std::uint32_t pc, std::size_t pos) const {
        std::size_t k = 0;
        for (std::uint32_t i = m_re.m_loopOff[pc]; i < m_re.m_loopOff[pc + 1]; ++i, ++k)
            if (m_m.m_regs[m_re.m_loopRegs[i]] != static_cast<std::ptrdiff_t>(pos)) break;
        return pos * m_re.m_slotsPerPos + m_re.m_slotBase[pc] + k;
    }

    void Set(std::uint32_t slot, std::ptrdiff_t value) {
        m_m.m_stack.push_back({-1, static_cast<int>(slot), m_m.m_regs[slot]});
        m_m.m_regs[slot] = value;
    }

    void Unwind(std::size_t base) {
        while (m_m.m_stack.size() > base) {
            const CRegExpMatch::Entry e = m_m.m_stack.back();
            m_m.m_stack.pop_back();
            if (e.pc < 0) m_m.m_regs[e.slot] = e.value;
        }
    }

    // Runs from (pc, pos) until Match/Succeed (true) or until every choice
    // pushed above `base` is exhausted (false).
    bool Run(std::uint32_t pc, std::size_t pos, std::size_t base, std::size_t& endPos) {
        auto& stack = m_m.m_stack;
        auto& regs = m_m.m_regs;
        for (;;) {
            if (++m_steps > m_limit && m_limit != 0) {
                m_aborted = true;
                return false;
            }
            if (m_memo) {
                const std::size_t id = StateId(pc, pos);
                std::uint64_t& word = m_m.m_failed[id / 64];
                const std::uint64_t bit = std::uint64_t{1} << (id % 64);
                if (word & bit) goto fail;
                word |= bit;
                if (m_lookDepth != 0) m_m.m_log.push_back(id);
            }
            {
                const CRegExp::Inst& in = m_re.m_prog[pc];
                switch (in.op) {
                case Op::Char:
                    if (pos < m_len && At(pos) == in.x) { ++pos; ++pc; continue; }
                    goto fail;
                case Op::Any:
                    if (pos < m_len) { ++pos; ++pc; continue; }
                    goto fail;
                case Op::Set: {
                    if (pos >= m_len) goto fail;
                    const CRegExp::CharSet& set = m_re.m_sets[in.x];
                    const std::uint32_t c = At(pos);
                    bool in_set = false;
                    for (const auto& r : set.ranges)
                        if (c >= r.first && c <= r.second) { in_set = true; break; }
                    if (in_set == set.negate) goto fail;
                    ++pos;
                    ++pc;
                    continue;
                }
                case Op::Ref: {
                    const std::ptrdiff_t s = regs[3 * in.x + 1], e = regs[3 * in.x + 2];
                    if (s >= 0 && e >= 0) {   // a group that holds nothing matches empty
                        const std::size_t n = static_cast<std::size_t>(e - s);
                        if (n > m_len - pos) goto fail;
                        for (std::size_t i = 0; i < n; ++i)
                            if (At(static_cast<std::size_t>(s) + i) != At(pos + i)) goto fail;
                        pos += n;
                    }
                    ++pc;
                    continue;
                }
                case Op::End:
                    if (pos == m_len) { ++pc; continue; }
                    goto fail;
                case Op::Split:
                    stack.push_back({static_cast<int>(in.y), 0, static_cast<std::ptrdiff_t>(pos)});
                    pc = in.x;
                    continue;
                case Op::Jmp: pc = in.x; continue;
                case Op::Save:
                    Set(in.x, static_cast<std::ptrdiff_t>(pos));
                    ++pc;
                    continue;
                case Op::Close:
                    Set(3 * in.x + 1, regs[3 * in.x]);
                    Set(3 * in.x + 2, static_cast<std::ptrdiff_t>(pos));
                    ++pc;
                    continue;
                case Op::LoopCheck:
                    pc = regs[in.x] == static_cast<std::ptrdiff_t>(pos) ? in.y : pc + 1;
                    continue;
                case Op::Look: {
                    // The result is a function of (look-ahead, position) alone,
                    // so it is computed once per position. States marked while a
                    // look-ahead succeeded were not all proven to fail (the path
                    // to its success is among them), so those marks are dropped.
                    std::uint8_t* cached = m_memo ? &m_m.m_looks[in.y * (m_len + 1) + pos] : nullptr;
                    bool found;
                    if (cached && *cached) {
                        found = *cached == 1;
                    } else {
                        const std::size_t mark = stack.size(), logMark = m_m.m_log.size();
                        std::size_t ignored = 0;
                        ++m_lookDepth;
                        found = Run(pc + 1, pos, mark, ignored);
                        --m_lookDepth;
                        if (m_aborted) return false;
                        if (found) {
                            Unwind(mark);
                            for (std::size_t i = logMark; i < m_m.m_log.size(); ++i)
                                m_m.m_failed[m_m.m_log[i] / 64] &= ~(std::uint64_t{1} << (m_m.m_log[i] % 64));
                            m_m.m_log.resize(logMark);
                        }
                        if (m_lookDepth == 0) m_m.m_log.clear();
                        if (cached) *cached = found ? 1 : 2;
                    }
                    if (found) goto fail;
                    pc = in.x;
                    continue;
                }
                case Op::Succeed:
                case Op::Match:
                    endPos = pos;
                    return true;
                }
            }
        fail:
            for (;;) {
                if (stack.size() == base) return false;
                const CRegExpMatch::Entry e = stack.back();
                stack.pop_back();
                if (e.pc < 0) {
                    regs[e.slot] = e.value;
                } else {
                    pc = static_cast<std::uint32_t>(e.pc);
                    pos = static_cast<std::size_t>(e.value);
                    break;
                }
            }
        }
    }

    const CRegExp& m_re;
    CRegExpMatch& m_m;
    const wchar_t* m_input;
    std::size_t m_len;
    bool m_memo;
    std::size_t m_limit;
    std::size_t m_steps = 0;
    int m_lookDepth = 0;
    bool m_aborted = false;
};

}  // namespace regexp_detail

const wchar_t* CRegExpMatch::GetGroupStart(int group) const {
    return group >= 0 && group < GetGroupCount() ? m_groups[2 * static_cast<std::size_t>(group)] : nullptr;
}

const wchar_t* CRegExpMatch::GetGroupEnd(int group) const {
    return group >= 0 && group < GetGroupCount() ? m_groups[2 * static_cast<std::size_t>(group) + 1] : nullptr;
}

void CRegExpMatch::Reset(int groups) {
    m_groups.assign(2 * static_cast<std::size_t>(groups), nullptr);
    m_start = m_end = nullptr;
}

void CRegExp::Clear() {
    m_prog.clear();
    m_sets.clear();
    m_loopOff.clear();
    m_loopRegs.clear();
    m_slotBase.clear();
    m_slotsPerPos = m_regCount = m_lookCount = 0;
    m_groupCount = 0;
    m_anchored = m_hasBackRef = m_ok = false;
}

int CRegExp::Parse(const wchar_t* pattern, bool caseSensitive) {
    using namespace regexp_detail;
    Clear();
    m_caseSensitive = caseSensitive;
    if (!pattern) return ErrNoPattern;
    try {
        // Case-insensitive: compile a copy with A-Z lowered and fold the input
        // the same way while matching.
        std::wstring text(pattern);
        if (!caseSensitive)
            for (wchar_t& c : text) c = static_cast<wchar_t>(Fold(Unit(c)));
        m_anchored = !text.empty() && text[0] == L'^';

        ParseState state;
        Node top = Make(Node::Seq);
        // A closing character at the top level ends the pattern; the rest is ignored.
        Parser(text, m_anchored ? 1 : 0, true, state, 0, m_sets).ParseItems(top);

        Compiler compiler(*this, static_cast<std::size_t>(state.groups));
        compiler.Emit(top);
        compiler.Finish();
        m_groupCount = state.groups;
        m_hasBackRef = state.hasRef;
        m_ok = true;
        return ErrNone;
    } catch (const ParseFail& f) {
        Clear();
        return f.code;
    } catch (...) {
        Clear();
        return ErrNoMemory;
    }
}

bool CRegExp::Match(const wchar_t* input, CRegExpMatch* match, const wchar_t** matchEnd) const {
    m_lastSteps = 0;
    m_hitLimit = false;
    if (!match) return false;
    try {
        match->Reset(m_ok ? m_groupCount : 0);
        if (!input || !m_ok) return false;
        regexp_detail::Runner runner(*this, *match, input);
        const bool found = runner.Search();
        m_lastSteps = runner.Steps();
        m_hitLimit = runner.Aborted();
        if (found && matchEnd) *matchEnd = match->m_end;
        return found;
    } catch (...) {
        return false;
    }
}
