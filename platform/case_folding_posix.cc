#include <locale.h>
#include <wctype.h>

#include "platform/case_folding.h"
#include "platform/utf8.h"

std::string FoldCase(const std::string& name) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  std::string folded;
  for (size_t at = 0; at < name.size();) {
    uint32_t c = 0;
    const size_t length = utf8 != nullptr ? DecodeUtf8(name.data(), name.size(), at, &c) : 0;
    if (length == 0) {
      folded.clear();
      for (char byte : name) folded.push_back(byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte);
      return folded;
    }
    // Windows' tables hold one upper-case form per UTF-16 unit: characters
    // beyond the Basic Multilingual Plane are compared as they are.
    const uint32_t upper = c < 0x10000 ? static_cast<uint32_t>(towupper_l(static_cast<wint_t>(c), utf8)) : c;
    AppendUtf8(upper < 0x10000 && !(upper >= 0xD800 && upper <= 0xDFFF) ? upper : c, &folded);
    at += length;
  }
  return folded;
}
