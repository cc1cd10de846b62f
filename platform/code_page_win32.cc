#include "platform/code_page.h"

#include <windows.h>

#include "platform/wide_text.h"

namespace {

bool CodePageToWide(UINT codePage, const std::string& text, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (needed <= 0) return false;
  wide->resize(static_cast<size_t>(needed));
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, &(*wide)[0], needed) == needed;
}

}  // namespace

bool CodePageToUtf8(unsigned codePage, const std::string& text, std::string* utf8) {
  std::wstring wide;
  return CodePageToWide(codePage, text, &wide) && NarrowWide(wide.data(), wide.size(), utf8);
}

bool Utf8ToCodePage(unsigned codePage, const std::string& utf8, std::string* text) {
  text->clear();
  std::wstring wide;
  if (!WidenUtf8(utf8, &wide)) return false;
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int needed =
      WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &usedDefault);
  if (needed <= 0 || usedDefault) return false;
  text->resize(static_cast<size_t>(needed));
  if (WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, &(*text)[0], needed, nullptr,
                          &usedDefault) != needed ||
      usedDefault) {
    return false;
  }
  // A code page may still map a character to a look-alike without calling
  // it a default; only a text that reads back the same is exact.
  std::wstring back;
  return CodePageToWide(codePage, *text, &back) && back == wide;
}

bool AnsiToUtf8(const std::string& ansi, std::string* utf8) { return CodePageToUtf8(CP_ACP, ansi, utf8); }

bool Utf8ToAnsi(const std::string& utf8, std::string* ansi) { return Utf8ToCodePage(CP_ACP, utf8, ansi); }
