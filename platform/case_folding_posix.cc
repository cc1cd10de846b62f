#include <locale.h>
#include <wctype.h>

#include "platform/case_folding.h"
#include "platform/utf8.h"

namespace {

// The upper case Windows' file systems compare with. Their tables hold one
// upper-case form per UTF-16 unit, so characters beyond the Basic
// Multilingual Plane stay as they are; and they map only letters whose
// upper case leads back to them, so the C library's one-way foldings (µ to
// Μ, ı to I, ς to Σ, ſ to S and the like) are left out.
uint32_t WindowsUpperCase(uint32_t c, locale_t utf8) {
  if (c >= 0x10000) return c;
  const auto upper = static_cast<uint32_t>(towupper_l(static_cast<wint_t>(c), utf8));
  if (upper == c || upper >= 0x10000 || (upper >= 0xD800 && upper <= 0xDFFF)) return c;
  return static_cast<uint32_t>(towlower_l(static_cast<wint_t>(upper), utf8)) == c ? upper : c;
}

}  // namespace

std::string FoldCase(const std::string& name) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  std::string folded;
  for (size_t at = 0; at < name.size();) {
    uint32_t c = 0;
    const size_t length = utf8 != nullptr ? DecodeUtf8(name.data(), name.size(), at, &c) : 0;
    if (length == 0) return AsciiUpperCase(name);
    AppendUtf8(WindowsUpperCase(c, utf8), &folded);
    at += length;
  }
  return folded;
}
