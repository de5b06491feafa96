#include "adversarial_names.h"

std::vector<std::wstring> AdversarialNames(std::initializer_list<std::size_t> lengths) {
    const std::wstring seps = L"_. -(){}[]";
    std::vector<std::wstring> names;
    for (std::size_t len : lengths) {
        std::wstring alt, alt2, run, runDigit, digits, mixed, copy, shortcut;
        for (std::size_t i = 0; i < len; ++i) {
            alt += i % 2 ? L' ' : static_cast<wchar_t>(L'0' + i % 10);
            alt2 += i % 2 ? seps[i / 2 % seps.size()] : static_cast<wchar_t>(L'0' + i % 10);
            run += seps[i % seps.size()];
            digits += static_cast<wchar_t>(L'0' + i % 10);
            mixed += i % 2 ? static_cast<wchar_t>(L'0' + i % 10) : L'a';
        }
        runDigit = run.substr(0, len / 2) + L"7" + run.substr(0, len - len / 2);
        while (copy.size() < len) copy += copy.size() % 3 ? L"コピー ～ " : L"コピー (1";
        while (shortcut.size() < len) shortcut += L" へのショートカッ";
        for (const std::wstring& base : {alt, alt2, run, runDigit, digits, mixed, copy, shortcut}) {
            const std::wstring b = base.substr(0, len);
            names.push_back(b);
            // Variants that make the match fail late, succeed at the far end,
            // or fail at the very last character; all within 259 characters.
            if (len >= 2) {
                names.push_back(b.substr(0, len - 1) + L"x");
                names.push_back(L"x" + b.substr(1));
                names.push_back(L"x" + b.substr(1, len - 2) + L"_");
                names.push_back(L"x" + b.substr(1, len - 2) + L"x");
            }
        }
    }
    return names;
}
