// UTF-8 text into the fixed UTF-16 buffers of the wide dialogs.
#pragma once

#include <cstddef>
#include <string>

// Copies `text` into a buffer of `capacity` UTF-16 units, cut to fit (never
// between the two halves of a surrogate pair) and always NUL-terminated.
// Text that is not UTF-8 copies as empty.
void CopyText(wchar_t* buffer, size_t capacity, const std::string& text);
