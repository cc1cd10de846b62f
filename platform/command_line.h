// Windows only: the program's arguments as the system holds them, in UTF-16,
// rather than as main's argv, which has them in the ANSI code page with
// look-alikes for the characters it lacks.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The arguments after the program's name, in UTF-8, in *arguments. An
// argument with no UTF-8 form (a surrogate without its partner) is given
// for showing, with U+FFFD in its place, and the number (from 1) of the
// first such argument goes into *firstInexact; 0 when every argument is
// exact. Returns false when the command line cannot be read.
bool ReadCommandLine(std::vector<std::string>* arguments, size_t* firstInexact);
