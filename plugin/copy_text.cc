#include "plugin/copy_text.h"

#include <windows.h>

void CopyText(char* buffer, size_t capacity, const std::string& text) {
  lstrcpynA(buffer, text.c_str(), static_cast<int>(capacity));
}
