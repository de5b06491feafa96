// Worst time per match of the four name patterns over adversarial names up to
// 259 characters, with the failure memo and with plain backtracking (capped).
// Prints figures only.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "adversarial_names.h"
#include "regexp.h"

namespace {

struct Pattern {
    const char* label;
    const wchar_t* text;
};

const Pattern kPatterns[] = {
    {"shortcut suffix", L"{ へのショートカット}$"},
    {"copy prefix", L"^{((コピー \\(\\d+\\) ～ )|(コピー ～ ))}"},
    {"numeric head", L"^{([_. \\-(){}\\[\\]]*[0-9][_. \\-(){}\\[\\]]*)+}[^0-9_. \\-(){}\\[\\]]+"},
    {"numeric tail", L"[^0-9_. \\-(){}\\[\\]]+{([_. \\-(){}\\[\\]]*[0-9][_. \\-(){}\\[\\]]*)+}$"},
};

constexpr std::size_t kPlainStepCap = 20'000'000;

std::vector<std::wstring> AdversarialNames() {
    return ::AdversarialNames({8u, 16u, 24u, 32u, 64u, 128u, 200u, 259u});
}

struct Worst {
    double micros = 0;
    std::size_t steps = 0;
    std::size_t length = 0;
    int capped = 0;
    double stepsPerState = 0;   // steps / (instructions * (length + 1))
};

Worst Measure(CRegExp& re, const std::vector<std::wstring>& names, int repeats) {
    Worst worst;
    CRegExpMatch m;
    for (const std::wstring& name : names) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int r = 0; r < repeats; ++r) re.Match(name.c_str(), &m);
        const auto t1 = std::chrono::steady_clock::now();
        const double us = std::chrono::duration<double, std::micro>(t1 - t0).count() / repeats;
        if (re.LastMatchHitStepLimit()) ++worst.capped;
        worst.stepsPerState = std::max(worst.stepsPerState, static_cast<double>(re.GetLastMatchSteps()) /
                                                                static_cast<double>(re.GetProgramSize() * (name.size() + 1)));
        if (us > worst.micros) {
            worst.micros = us;
            worst.steps = re.GetLastMatchSteps();
            worst.length = name.size();
        }
    }
    return worst;
}

}  // namespace

int main() {
    const std::vector<std::wstring> names = AdversarialNames();
    std::printf("%zu adversarial names, 8 to 259 characters; worst time per match\n\n", names.size());
    std::printf("%-16s %6s | %9s %8s %5s %9s | %10s %10s %5s %s\n", "pattern", "instrs", "memo us", "steps",
                "len", "max ratio", "plain us", "steps", "len", "capped");
    for (const Pattern& p : kPatterns) {
        CRegExp re;
        if (re.Parse(p.text, false) != ErrNone) {
            std::printf("%-16s does not compile\n", p.label);
            continue;
        }
        const Worst memo = Measure(re, names, 200);
        re.SetPlainBacktracking(true);
        re.SetStepLimit(kPlainStepCap);
        const Worst plain = Measure(re, names, 1);
        std::printf("%-16s %6zu | %9.2f %8zu %5zu %9.2f | %10.0f %10zu %5zu %d of %zu at %zu steps\n", p.label,
                    re.GetProgramSize(), memo.micros, memo.steps, memo.length, memo.stepsPerState, plain.micros,
                    plain.steps, plain.length, plain.capped, names.size(), kPlainStepCap);
    }
    std::printf("\nmax ratio = steps / (instructions * (length + 1)); plain us of a capped run is the time to the cap\n");
    return 0;
}
