// The archive writer's face: creating a zip archive, adding files to it and
// closing it. Outside writer/ an archive is a handle, a ZipArchive* that
// only these functions look into; every operation gives an ArchiveStatus.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "writer/archive_options.h"
#include "writer/archive_status.h"
#include "writer/source.h"

// The archive being written; its record is the writer's own.
struct ZipArchive;

// Creates `path` for writing (replacing any file of that name) and an archive
// that owns it. On success the handle is in *archive; otherwise *archive is
// null, nothing is written, and the status says ArchiveNoMemory or
// ArchiveOpenFailed (FailedOutputCreate).
ArchiveStatus CreateArchiveOnFile(const char* path, ZipArchive** archive, const ArchiveOptions& options = {});

// Creates an archive that writes to `output`, a plain file the caller opened
// for writing, empty and positioned at its start, and keeps owning:
// CloseArchive writes the directory but leaves the file open, so that the
// caller can finish it through the handle (give it permissions, give an
// unnamed file its name) before it closes it. On failure *archive is null,
// `output` is untouched and the status says ArchiveBadArgument (kNoFile) or
// ArchiveNoMemory.
ArchiveStatus CreateArchiveOnHandle(FileHandle output, ZipArchive** archive, const ArchiveOptions& options = {});

// Adds the file at `sourcePath` under `entryName` (backslashes become '/'),
// stored or deflated by the name's suffix. An entry whose data fits the I/O
// buffer goes out whole, final local header and data, with one write; a
// larger one writes a provisional header with its first data and rewrites
// the header in place with the CRC and sizes afterwards. The failures:
// - ArchiveBadArgument: no archive, no source path, or a name CheckEntryName
//   refuses (empty, too long, or one that would be extracted outside the
//   extraction folder; the status says which);
// - ArchiveSourceTooLarge: a source of 4 GiB or more, found at open or while
//   it is read (the format written has no 64-bit sizes);
// - ArchiveOpenFailed (also for anything but a plain file), ArchiveNoMemory
//   before anything is written;
// - ArchiveTooLarge when the entry would take the archive, with its
//   directory and end record, past its largest size: at once for a stored
//   source of known size, otherwise once its data reaches the limit;
// - ArchiveCancelled when the read report asked to stop;
// - ArchiveWriteFailed, ArchiveReadFailed, ArchiveSeekFailed, ArchiveNoMemory
//   (compressor state) once writing began; ArchiveReadFailed also when the
//   source's size, last write time or change time changed while it was
//   read, or fewer bytes were read than it held when it was opened.
// Once writing began the output is cut back to where the entry began, so the
// archive holds exactly the entries added before; only when that cut fails
// does the failure stick: every later add then returns it at once, and
// closing writes no directory. The source is closed on every path; a failed
// add leaves the archive open for further adds.
ArchiveStatus AddFileToArchive(ZipArchive* archive, const char* entryName, const char* sourcePath);

// As AddFileToArchive, for a file found by listing a folder: the file opened
// must be the one `listed` identifies. Another one (the name was given to
// another file, or to a link, since the listing) fails with
// ArchiveOpenFailed and FailedSourceNotListed before anything is written.
ArchiveStatus AddListedFileToArchive(ZipArchive* archive, const char* entryName, const char* sourcePath,
                                     const FileIdentity& listed);

// Adds an entry for the folder at `folderPath`, named `entryName` with a '/'
// at its end, given or not (a folder that has nothing else in the archive,
// so that the recipient still sees it): stored, no data, the folder's times and
// attributes, its local header in one write. The failures are those of
// AddFileToArchive that can meet a folder: ArchiveBadArgument for a name
// CheckFolderEntryName refuses, ArchiveOpenFailed (FailedSourceOpen) when
// the folder cannot be looked at (also when it is no folder, or a link),
// ArchiveNoMemory, ArchiveTooLarge, and ArchiveWriteFailed.
ArchiveStatus AddFolderToArchive(ZipArchive* archive, const char* entryName, const char* folderPath);

// Tells the archive which sources its next adds will add, in this order
// (files, and folders for AddFolderToArchive): with deflateThreads of 2 or
// more, the compressor's workers then read and deflate the next short files
// into memory while an entry is added (at most kMostBytesAhead at once), so
// that their own adds only write. The archive's bytes are the same. Each add
// of the plan's next source (the same entry name and path, and for a listed
// file the same identity) takes its data when it is ready, or compresses it
// as usual when its compression ahead has not begun or did not succeed; a
// file compressed ahead is read once, when a worker reads it, and tells the
// read report of all its bytes at once. An add of anything else ends the
// plan: the adds after it work as without one. A new plan replaces the one
// before. The sources are copied; null and an empty plan are harmless.
void PlanArchiveSources(ZipArchive* archive, const Source* sources, size_t count);

// What the most recent successful add put into the archive.
struct AddedEntry {
  uint16_t method;            // kMethodStored or kMethodDeflated
  uint32_t uncompressedSize;  // bytes read from the source
  uint32_t compressedSize;    // bytes of entry data in the archive
};

// Describes the entry the last successful add added. Returns false when none
// was added yet.
bool DescribeLastAdded(const ZipArchive* archive, AddedEntry* added);

// Writes the central directory and end record unless an add left its
// failure sticking, closes the output when the archive owns it, and releases
// the archive with every entry and the compressor, on every path. Returns
// the failure that stopped the directory (or the one an add left),
// ArchiveBadArgument for a null archive, otherwise kArchiveOk.
ArchiveStatus CloseArchive(ZipArchive* archive);

// Gives the archive up: closes the output when the archive owns it and
// releases everything, writing nothing more. For an archive that will be
// thrown away, whose directory would only cost writes. Null is ignored.
void DiscardArchive(ZipArchive* archive);
