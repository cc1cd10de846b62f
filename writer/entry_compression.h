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

// The workers of `compressors`, made with the compressor when there is none
// yet; null when `threads` is below 2 or they could not be had.
DeflateWorkers* CompressorWorkers(EntryCompressors* compressors);

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

// As CompressEntry, for an entry whose source was read and deflated
// elsewhere: `length` bytes of deflate data of `sourceSize` source bytes
// with the CRC-32 `crc32`. The read report is told of them all at once,
// and may stop the entry there (ArchiveCancelled).
void TakeDeflatedData(OutputChannel* channel, ZipEntry* entry, const uint8_t* data, uint32_t length,
                      uint32_t sourceSize, uint32_t crc32);
