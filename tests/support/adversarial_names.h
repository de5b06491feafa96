#pragma once
// File names that drive backtracking matchers into their worst cases: alternating digits and
// separators, long separator runs, copy and shortcut decorations, each also spoilt at either end.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

std::vector<std::wstring> AdversarialNames(std::initializer_list<std::size_t> lengths);
