// Whether a zip archive someone else made holds encrypted entries: mail
// services that cannot look into such an entry refuse the zip around it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Reads the central directory of the zip archive `file` (open for reading,
// `size` bytes long) and sets *encrypted when one of its entries has the
// encryption bit (general-purpose bit 0) set. Returns false, *encrypted
// false, when the file is no zip archive whose directory can be found and
// read within it, or when it is 4 GiB or larger. Reads at most the end
// record's search area and the directory, a bufferful at a time; every
// length is checked against the file before it is used.
bool FindEncryptedEntry(FileHandle file, uint64_t size, bool* encrypted);
