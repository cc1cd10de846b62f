// The output channel: the one path by which archive bytes reach the output
// file and source bytes are read. It keeps the running CRC-32 and byte counts
// of the entry in progress and a sticky error code. It knows no archive: the
// archive holds one and tells it where the records go.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "writer/archive_options.h"
#include "writer/archive_status.h"

// How much output is staged at a time in the channel's I/O buffer: by the
// stored copy and the compressor while an entry is added, and by the central
// directory as the archive closes.
constexpr uint32_t kIoBufferSize = 16384;

// Room in the I/O buffer in front of an entry's staged output for its local
// header (the longest one, 307 bytes, rounded up): header and output then
// lie end to end and go out with one write.
constexpr uint32_t kLocalHeaderRoom = 320;

// Zero-filled, then given its output, its limit and, for a read report, the
// report; the source is set for each entry by whoever opens it.
struct OutputChannel {
  FileHandle output;
  bool outputSeekable;  // `output` may be repositioned
  // Where the next byte goes in the output, as the channel has moved it.
  // Writes that would take it past outputLimit are refused, so no offset or
  // size of the archive can wrap.
  uint32_t outputPosition;
  uint32_t outputLimit;
  // Sticky: while non-zero every write is skipped and the compressor stops,
  // so callers test it once per record, block or step.
  ArchiveResult errorCode;
  // Why the last failure failed: set with errorCode by the channel, and by
  // the archive for an add it refuses before writing; left alone by
  // successes.
  ArchiveStatus failure;
  FileHandle source;        // the file being added
  uint32_t bytesRead;       // source bytes of the current entry read so far
  uint32_t crc32;           // CRC-32 of those bytes; 0 before the first
  uint32_t compressedSize;  // data bytes of the current entry written so far
  ReadReport readReport;
  void* readReportContext;
  // Bytes of the current entry's local header that lie just in front of the
  // staged output, not written yet; 0 when none waits. While it is set
  // nothing of the entry has reached the output.
  uint32_t pendingHeader;
  // kIoBufferSize bytes of staged output from kLocalHeaderRoom on (see
  // StagedOutput), with a pending local header in front of them; the
  // central directory gathers its records from the start.
  uint8_t ioBuffer[kLocalHeaderRoom + kIoBufferSize];
};

// Sets the sticky `errorCode` to `code` and keeps `reason` beside it in
// `failure`, with `systemError` when a call to the system failed.
void FailChannel(OutputChannel* channel, ArchiveResult code, FailureReason reason, uint32_t systemError = 0);

// Where the stored copy and the compressor stage an entry's output:
// kIoBufferSize bytes, with room for its local header in front.
inline uint8_t* StagedOutput(OutputChannel* channel) { return channel->ioBuffer + kLocalHeaderRoom; }

// Writes `length` bytes to the output with one write call and advances
// `outputPosition` by what was written. A pending local header goes first:
// in the same call when `data` is the staged output, which it lies right in
// front of, otherwise in a call of its own; either way it is no longer
// pending. Does nothing while `errorCode` is set, nor when there is nothing
// to write; a failed or short write sets `errorCode` to ArchiveWriteFailed.
// A write that would take `outputPosition` past `outputLimit` writes nothing
// and sets ArchiveTooLarge: the archive could not be repositioned over it,
// nor its offsets recorded.
void WriteBytes(OutputChannel* channel, const void* data, uint32_t length);

// Hands over the last `length` bytes of an entry's data. While its local
// header is still pending and they are the staged output, nothing of the
// entry has been written: they stay staged behind the header, which stays
// pending, so that the writer can put the final header in its place and
// send both with one write. Otherwise they are written as by WriteBytes.
void EndEntryData(OutputChannel* channel, const void* data, uint32_t length);

// Moves the output to `offset` from its start and sets `outputPosition` to
// it. Fails, setting `errorCode` to ArchiveSeekFailed, when the output is not
// seekable or the move fails; offsets of 2 GiB and above always fail.
bool SeekOutput(OutputChannel* channel, uint32_t offset);

// Reads up to `capacity` bytes of the source with one read call and folds
// them into `bytesRead` and `crc32`. Returns the count, 0 at the end of the
// source. A failed read sets `errorCode` to ArchiveReadFailed, a read that
// would take `bytesRead` to 4 GiB sets ArchiveSourceTooLarge, whatever was
// there, and a read report that asks to stop sets ArchiveCancelled; all
// return 0. Does not look at `errorCode` first.
uint32_t ReadSource(OutputChannel* channel, void* buffer, uint32_t capacity);

// Copies the whole source to the output unchanged, a full staged output of
// kIoBufferSize bytes at a time (reading until it is full or the source
// ends), adding each to `compressedSize`; the last one is handed over with
// EndEntryData. Stops at the end of the source or at the first failure,
// which stays in `errorCode`.
void CopyStored(OutputChannel* channel);
