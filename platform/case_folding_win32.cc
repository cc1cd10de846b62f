#include <windows.h>

#include "platform/case_folding.h"
#include "platform/utf8.h"
#include "platform/wide_text.h"

std::string FoldCase(const std::string& name) {
  std::wstring wide;
  if (!WidenUtf8(name, &wide) || wide.empty()) return AsciiUpperCase(name);
  // The invariant locale's upper case, unit by unit, is the file systems'
  // comparison, whatever the user's language.
  std::wstring upper(wide.size(), L'\0');
  const int size = static_cast<int>(wide.size());
  std::string folded;
  if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.data(), size, &upper[0], size) != size) return name;
  // The file systems' tables hold one upper-case form per UTF-16 unit and
  // leave the halves of surrogate pairs alone: characters beyond the Basic
  // Multilingual Plane are compared as they are, whatever the locale's
  // table knows of them.
  for (size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] >= 0xD800 && wide[i] <= 0xDFFF) upper[i] = wide[i];
  }
  if (!NarrowWide(upper.data(), upper.size(), &folded)) return name;
  return folded;
}
