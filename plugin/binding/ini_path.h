// Where the plug-in keeps its settings: beside its own module file, under the
// module's base name with the extension ".ini".
#pragma once

#include <cstddef>

// Writes the settings path for `modulePath` into `iniPath` (capacity bytes
// with the NUL): the file name's extension, from its last '.', replaced by
// ".ini", or ".ini" appended to a file name without one. Returns false for an
// empty module path or when the result does not fit; the settings then live
// in memory only.
bool IniPathForModule(const char* modulePath, char* iniPath, size_t capacity);
