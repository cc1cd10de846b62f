// The state of one zip archive being written and its flag bits: the
// writer's own record, which nothing outside writer/ sees (callers hold a
// ZipArchive* as a handle).
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "writer/archive_options.h"
#include "writer/archive_status.h"

struct ZipEntry;
struct DeflateState;

// How much output is staged at a time in the archive's I/O buffer: by the
// stored copy and the compressor while an entry is added, and by the central
// directory as the archive closes.
constexpr uint32_t kIoBufferSize = 16384;

// Room in the I/O buffer in front of an entry's staged output for its local
// header (the longest one, 307 bytes, rounded up): header and output then
// lie end to end and go out with one write.
constexpr uint32_t kLocalHeaderRoom = 320;

enum ArchiveFlag : uint32_t {
  OwnsOutput = 0x02,       // close closes `output`
  OutputSeekable = 0x04,   // `output` may be repositioned
  Finished = 0x08,         // central directory and end record written
  SourceInfoKnown = 0x20,  // the current entry's metadata came from the file itself
  OwnsSource = 0x40,       // `source` is open and the writer must close it
};

// Allocated zero-filled as fixed memory by the create operations, released
// by CloseArchive. It owns `output` while OwnsOutput is set, `source` while
// OwnsSource is set, every entry in `entryList` and `deflateState`.
struct ZipArchive {
  uint32_t flags;
  FileHandle output;
  // Archive position of the next byte. The channel never advances it; the
  // add and close logic add each record's and each entry's size themselves.
  uint32_t archiveOffset;
  // Sticky: while non-zero every write is skipped and the compressor stops,
  // so callers test it once per record, block or step.
  ArchiveResult errorCode;
  ZipEntry* entryList;  // entries in the order added, linked by `next`
  // Size of the current source as queried before reading (0xFFFFFFFF when it
  // could not be queried); after reading, the bytes actually read.
  uint32_t sourceSize;
  uint32_t bytesRead;          // source bytes of the current entry read so far
  uint32_t crc32;              // CRC-32 of those bytes; 0 before the first
  FileHandle source;           // the file being added
  uint32_t compressedSize;     // data bytes of the current entry written so far
  DeflateState* deflateState;  // created by the first deflated entry, kept until close
  ZipEntry* lastEntry;         // the tail of entryList, so that appending takes no walk
  // Where the next byte goes in the output, as the channel has moved it.
  // Writes that would take it past outputLimit are refused, so no offset or
  // size of the archive can wrap; creation sets the options' largestArchive.
  uint32_t outputPosition;
  uint32_t outputLimit;
  // Bytes the central directory of the entries in entryList will take, so
  // that an add can tell whether the archive still closes within the limit.
  uint32_t directorySize;
  // What the creator asked for: the read report, the latest entry time and
  // the clock of the DOS times.
  ArchiveOptions options;
  // Why the last failed add or close failed; set together with its result
  // (or errorCode), left alone by successes.
  ArchiveStatus failure;
  // Bytes of the current entry's local header that lie just in front of the
  // staged output, not written yet; 0 when none waits. While it is set
  // nothing of the entry has reached the output. Every add ends with it 0.
  uint32_t pendingHeader;
  // kIoBufferSize bytes of staged output from kLocalHeaderRoom on (see
  // StagedOutput), with a pending local header in front of them; the
  // central directory gathers its records from the start.
  uint8_t ioBuffer[kLocalHeaderRoom + kIoBufferSize];
};
