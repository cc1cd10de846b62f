// Creating and closing a zip archive on a file.
#pragma once

#include <cstdint>

#include "writer/archive_record.h"
#include "zip/zip_entry.h"

// Create, add and close each begin with ClearLastFileError, so that after one
// of them fails LastFileError names the system call that made it fail, or
// is 0 when the writer refused by itself.

// Creates `path` for writing (replacing any file of that name) and an archive
// record that owns it. On success returns ArchiveOk and the record in
// *archive; otherwise ArchiveNoMemory or ArchiveOpenFailed with *archive null
// and nothing written.
int32_t CreateArchiveOnFile(const char* path, ZipArchive** archive);

// Creates an archive record that writes to `output`, a plain file the
// caller opened for writing, empty and positioned at its start, and keeps
// owning: CloseArchive writes the directory but leaves the file open, so
// that the caller can finish it through the handle (give it permissions,
// give an unnamed file its name) before it closes it. Returns ArchiveOk
// with the record in *archive; otherwise ArchiveBadArgument (kNoFile) or
// ArchiveNoMemory with *archive null and `output` untouched.
int32_t CreateArchiveOnHandle(FileHandle output, ZipArchive** archive);

// Adds the file at `sourcePath` under `entryName` (backslashes become '/'),
// stored or deflated by the name's suffix. An entry whose data fits the I/O
// buffer goes out whole, final local header and data, with one write; a
// larger one writes a provisional header with its first data and rewrites
// the header in place with the CRC and sizes afterwards. Returns ArchiveOk,
// or the failure:
// - ArchiveBadArgument: no archive, no source path, a name CheckEntryName
//   refuses (empty, too long, or one that would be extracted outside the
//   extraction folder), or a source of 4 GiB or more, found at open or while
//   it is read (the format written has no 64-bit sizes);
// - ArchiveFinished after the directory was written;
// - ArchiveOpenFailed (also for anything but a plain file), ArchiveNoMemory
//   before anything is written;
// - ArchiveSeekFailed when the entry would take the archive, with its
//   directory and end record, past `outputLimit` (2 GiB - 1): at once for a
//   stored source of known size, otherwise once its data reaches the limit;
// - ArchiveWriteFailed, ArchiveReadFailed, ArchiveSeekFailed, ArchiveNoMemory
//   (compressor state) once writing began; ArchiveReadFailed also when the
//   source's size, last write time or change time changed while it was
//   read, or fewer bytes were read than it held when it was opened. The
//   output is then cut back to where the entry began, so the archive holds
//   exactly the entries added before; only when that cut fails does the
//   code stay in `errorCode`: every later add then returns it at once, and
//   closing writes no directory.
// The source is closed on every path; a failed add leaves the archive open
// for further adds. LastArchiveFailure tells which reason lies behind the
// code.
int32_t AddFileToArchive(ZipArchive* archive, const char* entryName, const char* sourcePath);

// Writes the data of `entry` from the archive's open `source` to the output:
// stored entries are copied, deflated ones compressed. bytesRead, crc32 and
// compressedSize start at 0 and errorCode at ArchiveOk; on return errorCode
// tells how it went and the three counters describe the data. While a local
// header is pending (AddFileToArchive's own use), data that all fits the
// staged output stays there behind it, with the header still pending (see
// EndEntryData). This is the data step of AddFileToArchive, open to drivers
// (tests, the benchmark, the fuzz target) that bring a source of their own.
void WriteEntryData(ZipArchive* archive, ZipEntry* entry);

// As AddFileToArchive, for a file found by listing a folder: the file opened
// must be the one `listed` identifies. Another one (the name was given to
// another file, or to a link, since the listing) fails with
// ArchiveOpenFailed and FailedSourceNotListed before anything is written.
int32_t AddListedFileToArchive(ZipArchive* archive, const char* entryName, const char* sourcePath,
                               const FileIdentity& listed);

// Why the last failed add or close of `archive` failed. For a null archive,
// FailedNoArchive.
ArchiveFailure LastArchiveFailure(const ZipArchive* archive);

// Whether a failure was the source's doing (it could not be opened or read,
// changed while read, is 4 GiB or more, has a name no zip holds, or no
// longer fits the archive), after which the archive takes further files,
// rather than the output's (a write, a reposition, memory).
bool IsSourceFailure(const ArchiveFailure& failure);

// What the most recent successful add put into the archive.
struct AddedEntry {
  uint16_t method;            // kMethodStored or kMethodDeflated
  uint32_t uncompressedSize;  // bytes read from the source
  uint32_t compressedSize;    // bytes of entry data in the archive
};

// Describes the entry the last successful AddFileToArchive added. Returns
// false when none was added yet (or the directory was written).
bool DescribeLastAdded(const ZipArchive* archive, AddedEntry* added);

// Writes the central directory and end record unless an add left a failure
// in `errorCode` or they were written already, closes the output when the
// archive owns it, and releases the record with every entry and the
// compressor state, on every path. Returns the failure that stopped the
// directory (or was left by an add), ArchiveBadArgument for a null archive,
// otherwise ArchiveOk. On a failure, *failure (when given) says why, as
// LastArchiveFailure would have.
int32_t CloseArchive(ZipArchive* archive, ArchiveFailure* failure = nullptr);
