// The compressor adapted to the archive: it reads the entry's source through
// the output channel (which keeps the count, the CRC-32 and the limits) and
// its output goes to the channel from the staged output, behind the local
// header that may still be waiting there.
#pragma once

#include "writer/output_channel.h"
#include "zip/zip_entry.h"

struct DeflateState;
struct DeflateWorkers;

// The compressors of an archive, made by the first deflated entry.
struct EntryCompressors {
  DeflateState* state;
  DeflateWorkers* workers;  // when `threads` is 2 or more and they could be had
  uint32_t threads;         // as ArchiveOptions::deflateThreads
};

// Deflates the channel's open `source`, of `expectedSize` bytes (0 when not
// known), to its output. Expects errorCode, bytesRead, crc32 and
// compressedSize at 0. Creates the compressor in `compressors` when there is
// none yet (ArchiveNoMemory in errorCode when that fails), and its workers
// when asked for (without them when that fails); reuses them otherwise. A
// compression that ends early with no failure of the channel's own fails
// with ArchiveNoMemory, never as complete.
// While workers run, the read report is also called as the caller's thread
// waits for them, and a report that asks to stop stops the entry as it would
// at a read (ArchiveCancelled). Marks level 8 in the entry's gpFlags. On
// return errorCode is 0 when the entry was compressed completely,
// compressedSize counts the deflate bytes written (or left staged behind a
// pending local header, see EndEntryData), and bytesRead and crc32 describe
// the source.
void CompressEntry(OutputChannel* channel, EntryCompressors* compressors, ZipEntry* entry, uint32_t expectedSize);
