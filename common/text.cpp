#include "text.h"

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to) {
  std::wstring out;
  if (from.empty()) return std::wstring(text);
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = text.find(from, pos);
    if (hit == std::wstring_view::npos) break;
    out.append(text.substr(pos, hit - pos)).append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::wstring FillPlaceholder(std::wstring_view templ, std::wstring_view value) {
  std::size_t hit = templ.find(L"%s");
  if (hit == std::wstring_view::npos) return std::wstring(templ);
  std::wstring out(templ.substr(0, hit));
  out.append(value).append(templ.substr(hit + 2));
  return out;
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring out(folder);
  while (!out.empty() && out.back() == L'\\') out.pop_back();
  while (!name.empty() && name.front() == L'\\') name.remove_prefix(1);
  out += L'\\';
  out.append(name);
  return out;
}
