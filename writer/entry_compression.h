// The compressor adapted to the archive: it reads the entry's source through
// the output channel (which keeps the count, the CRC-32 and the limits) and
// its output goes to the channel from the staged output, behind the local
// header that may still be waiting there.
#pragma once

#include "writer/output_channel.h"
#include "zip/zip_entry.h"

struct DeflateState;

// Deflates the channel's open `source` to its output. Expects errorCode,
// bytesRead, crc32 and compressedSize at 0. Creates the compressor in
// *state when there is none yet (ArchiveNoMemory in errorCode when that
// fails) and reuses it otherwise. Marks level 8 in the entry's gpFlags. On
// return errorCode is 0 when the entry was compressed completely,
// compressedSize counts the deflate bytes written (or left staged behind a
// pending local header, see EndEntryData), and bytesRead and crc32 describe
// the source.
void CompressEntry(OutputChannel* channel, DeflateState** state, ZipEntry* entry);
