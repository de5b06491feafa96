#include "errors.h"

#include <vector>

#include "text.h"

namespace {

std::string Narrow(UINT codePage, const std::wstring& text) {
  if (text.empty()) return {};
  int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Widen(UINT codePage, const std::string& text) {
  if (text.empty()) return {};
  int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace

std::string ToUtf8(const std::wstring& text) { return Narrow(CP_UTF8, text); }
std::wstring FromUtf8(const std::string& text) { return Widen(CP_UTF8, text); }
std::string ToThreadAnsi(const std::wstring& text) { return Narrow(CP_THREAD_ACP, text); }
std::wstring FromThreadAnsi(const std::string& text) { return Widen(CP_THREAD_ACP, text); }

std::wstring SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0x400, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (n > 0 && buffer) text.assign(buffer, n);
  if (buffer) ::LocalFree(buffer);
  if (text.empty()) text = L"エラーコード " + std::to_wstring(code);
  return text;
}

CAppError::CAppError(const std::wstring& message) : std::runtime_error(ToUtf8(message)) {}

CSystemError::CSystemError(DWORD code) : CAppError(SystemMessage(code)), code_(code) {}

std::wstring ErrorText(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e)) return SystemMessage(ERROR_NOT_ENOUGH_MEMORY);
  return FromUtf8(e.what());
}

void ThrowPathTooLong(const std::wstring& path) {
  throw CAppError(FillPlaceholder(L"パスが長すぎます。\n【パス】%s", path));
}

void ShowErrorBox(HWND owner, const std::wstring& text) {
  ::MessageBoxW(owner, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
}

void ShowStageError(const wchar_t* stageMessage, const std::exception& e) {
  ShowErrorBox(nullptr, FillPlaceholder(stageMessage, ErrorText(e)));
}
