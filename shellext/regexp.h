// Pattern matcher for file names: a small backtracking regular-expression
// engine with its own dialect (braces capture, parentheses only group,
// alternation joins single items). Plain C++, no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

enum RegExpError : int {
    ErrNone = 0,
    ErrNoMemory = 1,        // also: nesting too deep to compile safely
    ErrMissingBrace = 2,
    ErrMissingParen = 3,
    ErrMissingBracket = 4,
    ErrBadAbbreviation = 5,
    ErrEmptyClass = 6,
    ErrBadGroupNumber = 7,
    ErrBadRange = 8,
    ErrEmptyRepeat = 9,
    ErrNoPattern = 10
};

namespace regexp_detail { class Runner; class Compiler; class Parser; }

// Result of one CRegExp::Match. Positions point into the text passed to
// Match and stay valid only as long as that text does.
class CRegExpMatch {
public:
    int GetGroupCount() const { return static_cast<int>(m_groups.size() / 2); }
    const wchar_t* GetGroupStart(int group) const;  // nullptr when the group took no part
    const wchar_t* GetGroupEnd(int group) const;
    const wchar_t* GetMatchStart() const { return m_start; }
    const wchar_t* GetMatchEnd() const { return m_end; }

private:
    friend class CRegExp;
    friend class regexp_detail::Runner;

    struct Entry {          // backtracking stack: a choice point (pc >= 0) or an undo record
        int pc;
        int slot;
        std::ptrdiff_t value;
    };

    void Reset(int groups);

    std::vector<const wchar_t*> m_groups;   // start, end per group
    const wchar_t* m_start = nullptr;
    const wchar_t* m_end = nullptr;

    // Scratch space reused by the next Match with this record.
    std::vector<Entry> m_stack;
    std::vector<std::ptrdiff_t> m_regs;
    std::vector<std::uint64_t> m_failed;
    std::vector<std::uint8_t> m_looks;
    std::vector<std::size_t> m_log;
};

class CRegExp {
public:
    // Returns a RegExpError value; any earlier compiled form is discarded first.
    int Parse(const wchar_t* pattern, bool caseSensitive);
    // False for a null input or match record, after a failed Parse, and when
    // memory or the step limit runs out; never reports a match it did not find.
    bool Match(const wchar_t* input, CRegExpMatch* match, const wchar_t** matchEnd = nullptr) const;
    int GetGroupCount() const { return m_groupCount; }

    // Work done by the last Match: instructions dispatched, including the ones
    // cut short by the failure memo.
    std::size_t GetLastMatchSteps() const { return m_lastSteps; }
    std::size_t GetProgramSize() const { return m_prog.size(); }

    // Reference path: depth-first backtracking without the failure memo.
    // Patterns with back-references always take it.
    void SetPlainBacktracking(bool plain) { m_plain = plain; }
    // 0 = unlimited. When a Match needs more steps it gives up and returns false.
    void SetStepLimit(std::size_t steps) { m_stepLimit = steps; }
    bool LastMatchHitStepLimit() const { return m_hitLimit; }

private:
    friend class regexp_detail::Runner;
    friend class regexp_detail::Compiler;
    friend class regexp_detail::Parser;

    void Clear();

    enum class Op : std::uint8_t {
        Char, Any, Set, Ref, End, Split, Jmp, Save, Close, LoopCheck, Look, Succeed, Match
    };
    struct Inst {
        Op op;
        std::uint32_t x;   // character, set, slot, group, jump target
        std::uint32_t y;   // second target, look-ahead number
    };
    struct CharSet {
        bool negate = false;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    };

    std::vector<Inst> m_prog;
    std::vector<CharSet> m_sets;
    // Empty-iteration marks that are live at each instruction, innermost first
    // (m_loopRegs[m_loopOff[pc] .. m_loopOff[pc + 1]]), and the layout of the
    // failure memo that depends on them.
    std::vector<std::uint32_t> m_loopOff;
    std::vector<std::uint32_t> m_loopRegs;
    std::vector<std::size_t> m_slotBase;
    std::size_t m_slotsPerPos = 0;
    std::size_t m_regCount = 0;
    std::size_t m_lookCount = 0;
    int m_groupCount = 0;
    bool m_caseSensitive = true;
    bool m_anchored = false;
    bool m_hasBackRef = false;
    bool m_ok = false;

    bool m_plain = false;
    std::size_t m_stepLimit = 0;
    mutable std::size_t m_lastSteps = 0;
    mutable bool m_hitLimit = false;
};
