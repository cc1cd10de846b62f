// The compressor's entry point: one whole entry deflated at level 8 through
// the archive's output channel.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"
#include "zip/zip_archive.h"
#include "zip/zip_entry.h"

// Deflates the archive's open `source` to the output. Expects errorCode,
// bytesRead, crc32 and compressedSize at 0. Creates the archive's
// DeflateState at its first deflated entry (ArchiveNoMemory in errorCode when
// that fails) and reuses it afterwards; compressing allocates nothing else.
// Marks level 8 in the entry's gpFlags. On return errorCode is 0 when the
// entry was compressed completely, compressedSize counts the deflate bytes
// written (or left staged behind a pending local header, see EndEntryData),
// and bytesRead and crc32 describe the source.
void CompressEntry(ZipArchive* archive, ZipEntry* entry);

// Releases the archive's DeflateState, if it has one, with everything it
// holds; the next deflated entry would create a new one.
void ReleaseCompressor(ZipArchive* archive);
