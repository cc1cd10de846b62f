// The open dialog's selection buffer: portable and tested natively.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Splits the open dialog's result: one full path, or a folder and then file
// names, each NUL-terminated, the list closed by an empty string. `Char` is
// the dialog's character (wchar_t for the wide dialog). Every scan stays
// inside the `size` characters of the buffer; a list that does not close
// there (a dialog may cut a long selection short instead of failing), or an
// empty one, is refused with false.
template <typename Char>
bool SplitSelection(const Char* selection, size_t size, std::vector<std::basic_string<Char>>* parts) {
  parts->clear();
  size_t at = 0;
  while (at < size && selection[at] != Char{}) {
    size_t end = at;
    while (end < size && selection[end] != Char{}) ++end;
    if (end == size) return false;
    parts->emplace_back(selection + at, end - at);
    at = end + 1;
  }
  return at < size && !parts->empty();
}
