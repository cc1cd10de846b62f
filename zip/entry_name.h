// Entry names and the choice between storing and deflating.
#pragma once

#include <cstdint>

#include "zip/zip_entry.h"

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

// Copies `name` into the entry's `name` and `nameLength`, with every
// backslash separator written as '/'. Bytes stay in the ANSI code page; the
// second byte of a double-byte character is never taken for a separator.
// Returns false, leaving the entry's name empty, for an empty name or one of
// more than 259 bytes: cutting a name short could make two entries collide.
bool SetEntryName(ZipEntry* entry, const char* name);

// kMethodStored for names whose suffix (from the last '.') is one of the
// already-compressed formats, compared without regard to case; otherwise
// kMethodDeflated.
uint16_t ChooseMethod(const char* name);
