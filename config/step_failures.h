#pragma once
// A sequence whose every step is carried out even when one fails: what the user asked for is done
// as far as it can be, and the messages of the steps that failed are kept to be told together.
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "errors.h"

class CStepFailures {
public:
  template <typename Step>
  void Run(Step&& step) {
    try {
      std::forward<Step>(step)();
    } catch (const std::exception& e) {
      Add(ErrorText(e));
    }
  }
  void Add(std::wstring message) { messages_.push_back(std::move(message)); }
  bool Empty() const { return messages_.empty(); }
  // The messages, one after the other, each on lines of its own.
  std::wstring Text() const {
    std::wstring text;
    for (const std::wstring& message : messages_) text += (text.empty() ? L"" : L"\n") + message;
    return text;
  }
  void ThrowIfAny() const {
    if (!Empty()) throw CAppError(Text());
  }

private:
  std::vector<std::wstring> messages_;
};
