// Names as Windows compares them: without regard to case.
#pragma once

#include <string>

// The key under which two UTF-8 names are one name on Windows, whose file
// systems ignore case: `name` with every letter of the Basic Multilingual
// Plane in upper case, character by character, as the file systems'
// upper-case tables do. Text that is not UTF-8 is folded in ASCII only.
std::string FoldCase(const std::string& name);
