#pragma once
// Settings text read and edited by the rules of the platform's private-profile functions, so a
// file reads the same whether we or the platform read it. Works on text already decoded to UTF-16;
// the line splitter also works on the raw bytes of 8-bit files.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The blanks trimmed around section names, key names and values.
bool IsIniBlank(wchar_t c);

// One line: [begin, contentEnd) is its text, [contentEnd, end) its line break ("\r\n", "\n", "\r" or none).
struct CIniLine {
  std::size_t begin = 0;
  std::size_t contentEnd = 0;
  std::size_t end = 0;
};

// Every carriage return and every line feed ends a line, as the platform reads it ("\r\n" counts
// as one line break).
std::vector<CIniLine> SplitIniLines(std::wstring_view text);
// The line of 8-bit text that begins at `pos` (before the end), found on its bytes: no character of
// code page 932 or of UTF-8 has "\r" or "\n" as a trail byte, so these are the lines as written.
CIniLine NextIniLine(std::string_view bytes, std::size_t pos);

// The encodings the platform recognises, by byte-order mark; anything else is 8-bit text in the
// ANSI code page.
enum class CIniEncoding { Ansi, Utf8, Utf16Le, Utf16Be };
struct CIniEncodingMark {
  CIniEncoding encoding;
  std::size_t markLength;  // bytes of the byte-order mark
};
CIniEncodingMark DetectIniEncoding(std::string_view bytes);
// UTF-16 bytes after the mark as text. An odd last byte is dropped (Wine reads it as a character
// whose high byte lies beyond the file's data).
std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian);
std::string EncodeUtf16(std::wstring_view text, bool bigEndian);

// A value as written: inside a pair of quotes when reading would otherwise change it (blanks at
// either end, or a pair of matching quotes of its own).
std::wstring QuoteIniValue(const std::wstring& value);

class CIniText {
public:
  explicit CIniText(std::wstring text);

  const std::vector<CIniLine>& Lines() const { return lines_; }

  // What GetPrivateProfileStringW gives into a buffer of `bufferSize` units (names match without
  // regard to the case of ASCII letters, no other letter matching them); nothing when the key
  // is missing (or has no "=" at all), so the caller's default applies.
  std::optional<std::wstring> GetString(std::wstring_view section, std::wstring_view key,
                                        std::size_t bufferSize = 1024) const;
  // What GetPrivateProfileIntW gives; nothing when the key is missing or empty.
  std::optional<long> GetInt(std::wstring_view section, std::wstring_view key) const;

  // A change of the text: `text` replaces the line `line`, or goes before it (Lines().size(): at the end).
  struct CEdit {
    std::size_t line;
    bool replaces;
    std::wstring text;
  };
  // Sets each key of `section` to its value (quoted where needed): the line a reader finds for the key
  // is replaced, missing keys go after the section's last line, a missing section at the end. New
  // lines end as that line does, or else as the file's first line does. The edits are in the
  // order of the text.
  std::vector<CEdit> PlanWrites(std::wstring_view section,
                                const std::vector<std::pair<std::wstring, std::wstring>>& writes) const;
  // The text with the edits made, in order: `keep(first, end)` for each run of old lines kept as
  // they are, `add(text)` for each new text.
  template <typename Keep, typename Add>
  void Walk(const std::vector<CEdit>& edits, Keep keep, Add add) const {
    std::size_t line = 0;  // the first line not walked yet
    for (const CEdit& edit : edits) {
      if (edit.line > line) keep(line, edit.line);
      add(edit.text);
      line = edit.line + (edit.replaces ? 1 : 0);
    }
    if (line < lines_.size()) keep(line, lines_.size());
  }
  std::wstring Apply(const std::vector<CEdit>& edits) const;

private:
  struct CSpan {
    std::size_t begin = 0, length = 0;
  };
  struct CEntry {
    std::size_t line;
    CSpan name;
    std::optional<CSpan> value;  // none for a line without "="
  };
  struct CSection {
    std::size_t line;  // kNoLine for the keys before the first section
    CSpan name;
    std::vector<CEntry> entries;
    std::size_t lastLine;  // the section's last line that is not blank
  };
  static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
  std::wstring_view View(CSpan span) const { return std::wstring_view(text_).substr(span.begin, span.length); }
  const CSection* FindSection(std::wstring_view section) const;
  const CEntry* FindKey(const CSection& section, std::wstring_view key) const;
  std::wstring_view LineBreak(std::size_t line) const;

  std::wstring text_;
  std::vector<CIniLine> lines_;
  std::vector<CSection> sections_;
};
