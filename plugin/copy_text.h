// Text into the fixed buffers of dialogs and settings.
#pragma once

#include <cstddef>
#include <string>

// Copies `text` into a buffer of `capacity` bytes, cut to fit and always
// NUL-terminated.
void CopyText(char* buffer, size_t capacity, const std::string& text);
