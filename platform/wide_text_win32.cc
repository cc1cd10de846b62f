#include "platform/wide_text.h"

#include <cwchar>

#include "platform/utf8.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 code unit on Windows");

bool WidenUtf8(const std::string& text, std::wstring* wide) {
  std::u16string units;
  if (!Utf8ToUtf16(text, &units)) {
    wide->clear();
    return false;
  }
  wide->assign(units.begin(), units.end());
  return true;
}

std::wstring WidenUtf8OrEmpty(const std::string& text) {
  std::wstring wide;
  WidenUtf8(text, &wide);
  return wide;
}

bool NarrowWide(const wchar_t* wide, size_t length, std::string* text) {
  const std::u16string units(wide, wide + length);
  return Utf16ToUtf8(units.data(), units.size(), text);
}

bool NarrowWide(const wchar_t* wide, std::string* text) { return NarrowWide(wide, wcslen(wide), text); }

std::string NarrowWideForDisplay(const wchar_t* wide) {
  const std::u16string units(wide, wide + wcslen(wide));
  return Utf16ToUtf8ForDisplay(units.data(), units.size());
}
