#pragma once
// Error convention: failures are standard exceptions whose text is UTF-8, so Japanese messages
// survive whatever the system's ANSI code page is; they are widened again for display.
#include <windows.h>
#include <stdexcept>
#include <string>

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
// Narrow text in the thread's ANSI code page, for interfaces that want it (ANSI verbs, strftime).
std::string ToThreadAnsi(const std::wstring& text);
std::wstring FromThreadAnsi(const std::string& text);

// The system's text for a Windows error code (language 0x400); a fallback naming the code when
// the system has none.
std::wstring SystemMessage(DWORD code);

// An error of this system: a standard exception carrying its message as UTF-8.
class CAppError : public std::runtime_error {
public:
  explicit CAppError(const std::wstring& message);
  std::wstring Text() const { return FromUtf8(what()); }
};

// An error of the Windows API carrying the system's text for its code.
class CSystemError : public CAppError {
public:
  explicit CSystemError(DWORD code);
  DWORD Code() const { return code_; }

private:
  DWORD code_;
};

// The display text of any caught exception.
std::wstring ErrorText(const std::exception& e);

// "...【パス】%s" message for a path that does not fit the classic buffers.
[[noreturn]] void ThrowPathTooLong(const std::wstring& path);

constexpr const wchar_t* kCaption = L"タブリノリネーム";

// Message box with the system's caption and the error icon.
void ShowErrorBox(HWND owner, const std::wstring& text);
// A start-up stage's message: the template's "%s" receives the caught error's text.
void ShowStageError(const wchar_t* stageMessage, const std::exception& e);
