#include "host/text_encoding.h"

#include "platform/code_page.h"
#include "platform/wide_text.h"

// The conversions themselves are the platform layer's, the same the plug-in
// uses; these are the host's shorter forms of them.

std::wstring WideFromUtf8(const std::string& text) {
  std::wstring wide;
  WidenUtf8(text, &wide);
  return wide;
}

std::string Utf8FromWide(const std::wstring& text) { return NarrowWideForDisplay(text.c_str()); }

std::string Utf8FromAnsi(const char* text) {
  std::string utf8;
  if (text == nullptr || !AnsiToUtf8(text, &utf8)) return std::string();
  return utf8;
}

bool AnsiFromWideExactly(const std::wstring& text, std::string* ansi) {
  std::string utf8;
  std::string converted;
  if (!NarrowWide(text.data(), text.size(), &utf8) || !Utf8ToAnsi(utf8, &converted)) return false;
  *ansi = converted;
  return true;
}
