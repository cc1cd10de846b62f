// A file that has no name while it is written, and gets one only once it is
// complete: if the program ends before that, killed or not, the system
// removes it and nothing is left behind. Linux has such files (O_TMPFILE) on
// most file systems; elsewhere CreateUnnamedFile says that it has none, and
// the caller writes under a temporary name instead. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// Creates an unnamed file in `folder`, open for writing, that only its
// owner may read or write (mode 0600). Returns kNoFile when it cannot: with
// *unsupported set when the system or the folder's file system has no
// unnamed files (then a named file is the way), otherwise with the
// system's error code in *error. The caller closes the handle with
// CloseFile; a file closed without a name is gone.
FileHandle CreateUnnamedFile(const std::string& folder, bool* unsupported, uint32_t* error);

// Gives the unnamed file `file`, made by CreateUnnamedFile, the name `path`
// in the folder it was made in. Never replaces anything: when `path`
// exists (also as a link), fails with an error that IsAlreadyExistsError
// recognises. Returns false with the system's error code in *error.
bool NameUnnamedFile(FileHandle file, const std::string& path, uint32_t* error);
