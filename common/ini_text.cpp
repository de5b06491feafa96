#include "ini_text.h"

#include <algorithm>

#include "text.h"

namespace {

template <typename C>
constexpr C kBreaks[] = {C('\r'), C('\n')};

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && IsIniBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsIniBlank(s.back())) s.remove_suffix(1);
  return s;
}

template <typename C>
CIniLine LineAt(std::basic_string_view<C> text, std::size_t pos) {
  CIniLine line;
  line.begin = pos;
  const std::size_t stop = text.find_first_of(std::basic_string_view<C>(kBreaks<C>, 2), pos);
  if (stop == std::basic_string_view<C>::npos) {
    line.contentEnd = line.end = text.size();
  } else {
    line.contentEnd = stop;
    line.end = stop + (text[stop] == C('\r') && stop + 1 < text.size() && text[stop + 1] == C('\n') ? 2 : 1);
  }
  return line;
}

template <typename C>
std::vector<CIniLine> SplitLines(std::basic_string_view<C> text) {
  std::vector<CIniLine> lines;
  for (std::size_t pos = 0; pos < text.size(); pos = lines.back().end) lines.push_back(LineAt(text, pos));
  return lines;
}

// RtlUnicodeStringToInteger with base 0, which GetPrivateProfileIntW applies to the value.
long ParseProfileInt(std::wstring_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] <= L' ') ++i;
  bool minus = false;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) minus = s[i++] == L'-';
  unsigned base = 10;
  if (i + 1 < s.size() && s[i] == L'0') {
    if (s[i + 1] == L'b') base = 2;
    else if (s[i + 1] == L'o') base = 8;
    else if (s[i + 1] == L'x') base = 16;
    if (base != 10) i += 2;
  }
  unsigned long total = 0;  // wraps, as the platform's does
  for (; i < s.size(); ++i) {
    const wchar_t c = s[i];
    unsigned digit = c >= L'0' && c <= L'9'   ? c - L'0'
                     : c >= L'A' && c <= L'Z' ? c - L'A' + 10
                     : c >= L'a' && c <= L'z' ? c - L'a' + 10
                                              : 99;
    if (digit >= base) break;
    total = (total * base + digit) & 0xFFFFFFFFul;
  }
  if (minus) total = (0 - total) & 0xFFFFFFFFul;
  return static_cast<long>(static_cast<int>(static_cast<unsigned>(total)));
}

}  // namespace

bool IsIniBlank(wchar_t c) {
  // 0x1A is the old end-of-file mark, which the platform also counts as a blank.
  return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == L' ';
}

std::vector<CIniLine> SplitIniLines(std::wstring_view text) { return SplitLines(text); }

CIniLine NextIniLine(std::string_view bytes, std::size_t pos) { return LineAt(bytes, pos); }

CIniEncodingMark DetectIniEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return {CIniEncoding::Utf8, 3};
  if (bytes.substr(0, 2) == "\xFF\xFE") return {CIniEncoding::Utf16Le, 2};
  if (bytes.substr(0, 2) == "\xFE\xFF") return {CIniEncoding::Utf16Be, 2};
  return {CIniEncoding::Ansi, 0};
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::wstring text(bytes.size() / 2, L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto a = static_cast<unsigned char>(bytes[2 * i]), b = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = static_cast<wchar_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  }
  return text;
}

std::string EncodeUtf16(std::wstring_view text, bool bigEndian) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (wchar_t c : text) {
    const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

std::wstring QuoteIniValue(const std::wstring& value) {
  // Quoting costs nothing, so every control character and the ideographic space count, whichever
  // of them a reader trims.
  auto mayBeTrimmed = [](wchar_t c) { return c <= L' ' || c == L'\u3000'; };
  const bool quote = !value.empty() &&
                     (mayBeTrimmed(value.front()) || mayBeTrimmed(value.back()) ||
                      (value.size() >= 2 && value.front() == value.back() && (value.front() == L'"' || value.front() == L'\'')));
  return quote ? L"\"" + value + L"\"" : value;
}

CIniText::CIniText(std::wstring text) : text_(std::move(text)), lines_(SplitIniLines(std::wstring_view(text_))) {
  const std::wstring_view all(text_);
  sections_.push_back({kNoLine, {}, {}, kNoLine});  // keys before any section
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::wstring_view raw = all.substr(lines_[i].begin, lines_[i].end - lines_[i].begin);
    const std::wstring_view line = Trim(raw);
    if (line.empty()) continue;
    const std::size_t offset = static_cast<std::size_t>(line.data() - all.data());
    // "[name]": up to the last "]"; without one the line is read as a key.
    if (line.front() == L'[') {
      const std::size_t close = line.rfind(L']');
      if (close != std::wstring_view::npos && close > 0) {
        const std::wstring_view name = Trim(line.substr(1, close - 1));
        sections_.push_back({i, {static_cast<std::size_t>(name.data() - all.data()), name.size()}, {}, i});
        continue;
      }
    }
    CEntry entry{i, {offset, line.size()}, std::nullopt};
    const std::size_t equals = line.find(L'=');
    if (equals != std::wstring_view::npos) {
      const std::wstring_view name = Trim(line.substr(0, equals));
      const std::wstring_view value = Trim(line.substr(equals + 1));
      entry.name = {offset, name.size()};
      entry.value = CSpan{static_cast<std::size_t>(value.data() - all.data()), value.size()};
    }
    sections_.back().entries.push_back(entry);
    sections_.back().lastLine = i;
  }
}

const CIniText::CSection* CIniText::FindSection(std::wstring_view section) const {
  section = Trim(section);
  for (const CSection& s : sections_)
    if (EqualsAsciiNoCase(View(s.name), section)) return &s;
  return nullptr;
}

// Only the first section of a name counts, and in it the first line of the key.
const CIniText::CEntry* CIniText::FindKey(const CSection& section, std::wstring_view key) const {
  key = Trim(key);
  for (const CEntry& e : section.entries)
    if (EqualsAsciiNoCase(View(e.name), key)) return &e;
  return nullptr;
}

std::optional<std::wstring> CIniText::GetString(std::wstring_view section, std::wstring_view key,
                                                std::size_t bufferSize) const {
  const CSection* s = FindSection(section);
  const CEntry* e = s && !Trim(key).empty() ? FindKey(*s, key) : nullptr;
  if (!e || !e->value || bufferSize == 0) return std::nullopt;
  std::wstring_view value = View(*e->value);
  // One pair of matching quotes is removed. Exactly as the platform does it: the closing quote is
  // dropped from what fits the buffer, which takes a character more when the value just overflows.
  bool quoted = false;
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
    quoted = true;
    value.remove_prefix(1);
  }
  std::wstring out(value.substr(0, bufferSize - 1));
  if (quoted && bufferSize >= value.size() && !out.empty()) out.pop_back();
  return out;
}

std::optional<long> CIniText::GetInt(std::wstring_view section, std::wstring_view key) const {
  // The platform reads the value into 30 units first.
  std::optional<std::wstring> value = GetString(section, key, 30);
  if (!value || value->empty()) return std::nullopt;
  return ParseProfileInt(*value);
}

std::wstring_view CIniText::LineBreak(std::size_t line) const {
  return std::wstring_view(text_).substr(lines_[line].contentEnd, lines_[line].end - lines_[line].contentEnd);
}

std::vector<CIniText::CEdit> CIniText::PlanWrites(
    std::wstring_view section, const std::vector<std::pair<std::wstring, std::wstring>>& writes) const {
  std::vector<CEdit> edits;
  const CSection* s = FindSection(section);
  std::vector<std::wstring> addedLines;  // keys the section does not have yet
  for (const auto& [key, value] : writes) {
    const std::wstring line = key + L"=" + QuoteIniValue(value);
    const CEntry* e = s ? FindKey(*s, key) : nullptr;
    if (!e) {
      addedLines.push_back(line);
      continue;
    }
    CEdit edit{e->line, true, line + std::wstring(LineBreak(e->line))};
    auto same = std::find_if(edits.begin(), edits.end(), [&](const CEdit& other) { return other.line == e->line; });
    if (same != edits.end()) *same = std::move(edit);  // a key written twice: its last value
    else edits.push_back(std::move(edit));
  }
  if (!addedLines.empty() || !s) {
    // After the section's last line, or at the end for a new section.
    const std::size_t after = s ? s->lastLine : (lines_.empty() ? kNoLine : lines_.size() - 1);
    std::wstring lineBreak = L"\r\n";
    for (std::size_t i = 0; i < lines_.size(); ++i)
      if (!LineBreak(i).empty()) {
        lineBreak = LineBreak(i);
        break;
      }
    std::wstring terminate;  // for a last line without a line break
    if (after != kNoLine) {
      if (LineBreak(after).empty()) terminate = lineBreak;
      else lineBreak = LineBreak(after);
    }
    std::wstring text = terminate;
    if (!s) text += L"[" + std::wstring(section) + L"]" + lineBreak;
    for (const std::wstring& line : addedLines) text += line + lineBreak;
    // The lines between the section's last line and the next section are blank: none is replaced.
    edits.push_back({after == kNoLine ? 0 : after + 1, false, std::move(text)});
  }
  std::sort(edits.begin(), edits.end(), [](const CEdit& a, const CEdit& b) {
    return a.line != b.line ? a.line < b.line : !a.replaces && b.replaces;
  });
  return edits;
}

std::wstring CIniText::Apply(const std::vector<CEdit>& edits) const {
  std::wstring out;
  out.reserve(text_.size() + 1024);
  Walk(
      edits,
      [&](std::size_t first, std::size_t end) {
        const std::size_t to = end < lines_.size() ? lines_[end].begin : text_.size();
        out.append(text_, lines_[first].begin, to - lines_[first].begin);
      },
      [&](const std::wstring& text) { out += text; });
  return out;
}
