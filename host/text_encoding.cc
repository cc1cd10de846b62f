#include "host/text_encoding.h"

#include <windows.h>

namespace {

// The wide text of `length` bytes in `codePage`; MultiByteToWideChar fails
// on an empty input, hence the early return.
std::wstring Widen(UINT codePage, const char* text, int length) {
  if (length == 0) return std::wstring();
  const int size = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, text, length, &wide[0], size);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& text) {
  return Widen(CP_UTF8, text.data(), static_cast<int>(text.size()));
}

std::string Utf8FromWide(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  // CP_UTF8 takes neither a default character nor flags on Windows XP.
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &utf8[0], size, nullptr, nullptr);
  return utf8;
}

std::string Utf8FromAnsi(const char* text) {
  if (text == nullptr) return std::string();
  return Utf8FromWide(Widen(CP_ACP, text, lstrlenA(text)));
}

bool AnsiFromWideExactly(const std::wstring& text, std::string* ansi) {
  if (text.empty()) {
    ansi->clear();
    return true;
  }
  const int length = static_cast<int>(text.size());
  // Without WC_NO_BEST_FIT_CHARS the conversion picks look-alikes (O for Ω)
  // and reports no default character; with it, the flag below catches them.
  BOOL usedDefault = FALSE;
  const int size =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &usedDefault);
  if (size <= 0 || usedDefault) return false;
  std::string converted(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, &converted[0], size, nullptr,
                      &usedDefault);
  // A code page may still fold a character into another without using its
  // default character; only a round trip proves the text survives.
  if (usedDefault || Widen(CP_ACP, converted.data(), size) != text) return false;
  *ansi = converted;
  return true;
}
