// The output channel: the one path by which archive bytes reach the output
// file and source bytes are read. It keeps the running CRC-32 and byte counts
// of the entry in progress and the archive's sticky error code.
#pragma once

#include <cstdint>

#include "zip/zip_archive.h"

// Sets the sticky `errorCode` to `code` and keeps `reason` beside it in
// `failure`, with LastFileError as the system's part.
void FailArchive(ZipArchive* archive, int32_t code, FailureReason reason);

// Writes `length` bytes to the output with one write call and advances
// `outputPosition` by what was written. Does nothing while `errorCode` is set
// or when `length` is 0; a failed or short write sets `errorCode` to
// ArchiveWriteFailed. A write that would take `outputPosition` past
// `outputLimit` writes nothing and sets ArchiveSeekFailed: the archive could
// not be repositioned over it, nor its offsets recorded.
void WriteBytes(ZipArchive* archive, const void* data, uint32_t length);

// Moves the output to `offset` from its start and sets `outputPosition` to
// it. Fails, setting `errorCode` to ArchiveSeekFailed, when the output is not
// OutputSeekable or the move fails; offsets of 2 GiB and above always fail.
bool SeekOutput(ZipArchive* archive, uint32_t offset);

// Reads up to `capacity` bytes of the source with one read call and folds
// them into `bytesRead` and `crc32`. Returns the count, 0 at the end of the
// source. A failed read sets `errorCode` to ArchiveReadFailed, and a read
// that would take `bytesRead` to 4 GiB sets ArchiveBadArgument, whatever was
// there; both return 0. Does not look at `errorCode` first.
uint32_t ReadSource(ZipArchive* archive, void* buffer, uint32_t capacity);

// Copies the whole source to the output unchanged in chunks of the I/O
// buffer's size, adding each chunk to `compressedSize`. Stops at the end of
// the source or at the first failure, which stays in `errorCode`.
void CopyStored(ZipArchive* archive);
