#include "marked_text.h"

#include "test_support.h"

CMarkedText ParseMarked(std::wstring_view marked) {
  CMarkedText box;
  for (wchar_t c : marked) {
    if (c == L'|') {
      box.start = box.end = box.text.size();
    } else if (c == L'[') {
      box.start = box.text.size();
    } else if (c == L']') {
      box.end = box.text.size();
    } else {
      box.text += c;
    }
  }
  return box;
}

std::string ShowMarked(const CMarkedText& box) {
  std::wstring out = box.text;
  if (box.start == box.end) {
    out.insert(box.start, L"|");
  } else {
    out.insert(box.end, L"]");
    out.insert(box.start, L"[");
  }
  return U8(out);
}
