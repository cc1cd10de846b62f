// The output channel: the one path by which archive bytes reach the output
// file and source bytes are read. It keeps the running CRC-32 and byte counts
// of the entry in progress and the archive's sticky error code.
#pragma once

#include <cstdint>

#include "writer/archive_record.h"

// Sets the sticky `errorCode` to `code` and keeps `reason` beside it in
// `failure`, with `systemError` when a call to the system failed.
void FailArchive(ZipArchive* archive, ArchiveResult code, FailureReason reason, uint32_t systemError = 0);

// Where the stored copy and the compressor stage an entry's output:
// kIoBufferSize bytes, with room for its local header in front.
inline uint8_t* StagedOutput(ZipArchive* archive) { return archive->ioBuffer + kLocalHeaderRoom; }

// Writes `length` bytes to the output with one write call and advances
// `outputPosition` by what was written. A pending local header goes first:
// in the same call when `data` is the staged output, which it lies right in
// front of, otherwise in a call of its own; either way it is no longer
// pending. Does nothing while `errorCode` is set, nor when there is nothing
// to write; a failed or short write sets `errorCode` to ArchiveWriteFailed.
// A write that would take `outputPosition` past `outputLimit` writes nothing
// and sets ArchiveTooLarge: the archive could not be repositioned over it,
// nor its offsets recorded.
void WriteBytes(ZipArchive* archive, const void* data, uint32_t length);

// Hands over the last `length` bytes of an entry's data. While its local
// header is still pending and they are the staged output, nothing of the
// entry has been written: they stay staged behind the header, which stays
// pending, so that the writer can put the final header in its place and
// send both with one write. Otherwise they are written as by WriteBytes.
void EndEntryData(ZipArchive* archive, const void* data, uint32_t length);

// Moves the output to `offset` from its start and sets `outputPosition` to
// it. Fails, setting `errorCode` to ArchiveSeekFailed, when the output is not
// OutputSeekable or the move fails; offsets of 2 GiB and above always fail.
bool SeekOutput(ZipArchive* archive, uint32_t offset);

// Reads up to `capacity` bytes of the source with one read call and folds
// them into `bytesRead` and `crc32`. Returns the count, 0 at the end of the
// source. A failed read sets `errorCode` to ArchiveReadFailed, a read that
// would take `bytesRead` to 4 GiB sets ArchiveSourceTooLarge, whatever was
// there, and a read report that asks to stop sets ArchiveCancelled; all
// return 0. Does not look at `errorCode` first.
uint32_t ReadSource(ZipArchive* archive, void* buffer, uint32_t capacity);

// Copies the whole source to the output unchanged, a full staged output of
// kIoBufferSize bytes at a time (reading until it is full or the source
// ends), adding each to `compressedSize`; the last one is handed over with
// EndEntryData. Stops at the end of the source or at the first failure,
// which stays in `errorCode`.
void CopyStored(ZipArchive* archive);
