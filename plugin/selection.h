// The open dialog's selection buffer: portable and tested natively.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Splits the open dialog's result: one full path, or a folder and then file
// names, each NUL-terminated, the list closed by an empty string. Every scan
// stays inside the `size` bytes of the buffer; a list that does not close
// there (a dialog may cut a long selection short instead of failing), or an
// empty one, is refused with false.
bool SplitSelection(const char* selection, size_t size, std::vector<std::string>* parts);
