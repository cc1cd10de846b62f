#include "plugin/selection.h"

#include <cstring>

bool SplitSelection(const char* selection, size_t size, std::vector<std::string>* parts) {
  parts->clear();
  size_t at = 0;
  while (at < size && selection[at] != '\0') {
    const void* end = memchr(selection + at, '\0', size - at);
    if (end == nullptr) return false;
    const size_t length = static_cast<size_t>(static_cast<const char*>(end) - (selection + at));
    parts->emplace_back(selection + at, length);
    at += length + 1;
  }
  return at < size && !parts->empty();
}
