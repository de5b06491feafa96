// libFuzzer entry: pattern and input from the data, checked for memory errors,
// for positions inside the input, and against plain backtracking (memo
// soundness). Data: flags byte, pattern, 0 byte, input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "regexp.h"

namespace {

// Bytes as code units, with the top few standing for characters the name
// patterns care about.
wchar_t Unit(std::uint8_t b) {
    static const wchar_t high[] = {L'ー', L'コ', L'ピ', L'～', L'へ', L'の', L'シ', L'ョ', L'ト', L'カ', L'ッ', L'Ä'};
    return b >= 0xF4 ? high[b - 0xF4] : static_cast<wchar_t>(b);
}

struct Result {
    bool found = false;
    std::ptrdiff_t start = -1, end = -1;
    std::basic_string<std::ptrdiff_t> groups;
};

Result Run(const CRegExp& re, const std::wstring& input) {
    Result r;
    CRegExpMatch m;
    const wchar_t* end = nullptr;
    r.found = re.Match(input.c_str(), &m, &end);
    if (!r.found) return r;
    const wchar_t* base = input.c_str();
    const auto off = [&](const wchar_t* p) -> std::ptrdiff_t {
        if (!p) return -1;
        if (p < base || p > base + input.size()) std::abort();
        return p - base;
    };
    r.start = off(m.GetMatchStart());
    r.end = off(m.GetMatchEnd());
    if (end != m.GetMatchEnd() || r.start > r.end) std::abort();
    for (int g = 0; g < m.GetGroupCount(); ++g) {
        const std::ptrdiff_t s = off(m.GetGroupStart(g)), e = off(m.GetGroupEnd(g));
        if ((s < 0) != (e < 0) || s > e) std::abort();
        r.groups += s;
        r.groups += e;
    }
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 512) return 0;
    const bool caseSensitive = data[0] & 1;
    std::wstring pattern, input;
    std::size_t i = 1;
    for (; i < size && data[i] != 0; ++i) pattern += Unit(data[i]);
    for (++i; i < size; ++i) input += Unit(data[i] == 0 ? 1 : data[i]);

    CRegExp memo, plain;
    const int rc = memo.Parse(pattern.c_str(), caseSensitive);
    if (rc < ErrNone || rc > ErrNoPattern) std::abort();
    if (plain.Parse(pattern.c_str(), caseSensitive) != rc) std::abort();
    if (rc != ErrNone) {
        CRegExpMatch m;
        if (memo.Match(input.c_str(), &m)) std::abort();
        return 0;
    }
    plain.SetPlainBacktracking(true);
    plain.SetStepLimit(200'000);
    const Result a = Run(memo, input);
    const Result b = Run(plain, input);
    if (!plain.LastMatchHitStepLimit() &&
        (a.found != b.found || a.start != b.start || a.end != b.end || a.groups != b.groups))
        std::abort();
    return 0;
}
