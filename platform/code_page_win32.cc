#include "platform/code_page.h"

#include <windows.h>

#include "platform/utf8.h"
#include "platform/wide_text.h"

namespace {

// The code page meant, with CP_ACP resolved: Windows 10 and later may run
// with UTF-8 as the ANSI code page, where the conversion calls take no
// flags and no default character, and every UTF-8 text is its own form.
UINT Resolve(UINT codePage) { return codePage == CP_ACP ? GetACP() : codePage; }

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
  if (Resolve(codePage) == CP_UTF8) {
    if (!IsValidUtf8(text)) return false;
    *utf8 = text;
    return true;
  }
  std::wstring wide;
  return CodePageToWide(codePage, text, &wide) && NarrowWide(wide.data(), wide.size(), utf8);
}

bool Utf8ToCodePage(unsigned codePage, const std::string& utf8, std::string* text) {
  text->clear();
  if (Resolve(codePage) == CP_UTF8) {
    if (!IsValidUtf8(utf8)) return false;
    *text = utf8;
    return true;
  }
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
