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

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
  auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
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

std::size_t PathRootLength(std::wstring_view path) {
  if (path.size() >= 2 && path[1] == L':') return path.size() >= 3 && path[2] == L'\\' ? 3 : 2;
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    std::size_t server = path.find(L'\\', 2);
    if (server == std::wstring_view::npos) return path.size();
    std::size_t share = path.find(L'\\', server + 1);
    return share == std::wstring_view::npos ? path.size() : share;
  }
  return !path.empty() && path[0] == L'\\' ? 1 : 0;
}

std::wstring FolderPart(std::wstring_view path) {
  std::size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring_view::npos) return {};
  std::size_t root = PathRootLength(path);
  return std::wstring(path.substr(0, slash > root ? slash : root));
}

std::wstring_view WithoutTrailingBackslashes(std::wstring_view path) {
  const std::size_t root = PathRootLength(path);
  while (path.size() > root && path.back() == L'\\') path.remove_suffix(1);
  return path;
}

std::wstring_view NamePart(std::wstring_view path) {
  std::size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}
