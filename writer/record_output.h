// The zip records of an archive on their way to its output: the local
// headers, waiting in front of the staged output or written in place, and
// the central directory with its end record. A failed or short write ends
// them there, nothing later is written, and its code stays in `errorCode`.
#pragma once

#include "writer/archive_record.h"
#include "zip/zip_entry.h"

// Lays the entry's local file header, with the entry's current flags, CRC
// and sizes, just in front of the archive's staged output and leaves it
// pending (`pendingHeader`): the channel writes it with the entry's first
// data. Laid again while pending, it takes the place of the one there. Does
// not change `archiveOffset`.
void PendLocalHeader(ZipArchive* archive, const ZipEntry* entry);

// Writes the entry's local file header at the current output position, with
// the entry's current flags, CRC and sizes, as one write call: the final
// header over a provisional one that went out with the first of a large
// entry's data, which has the same length. Does not change `archiveOffset`.
void WriteLocalHeader(ZipArchive* archive, const ZipEntry* entry);

// Writes a central directory header for every entry of `entryList` and the
// end record, advancing `archiveOffset` past each. They are gathered in the
// archive's `ioBuffer`, which must hold nothing still needed, and written a
// bufferful of whole records at a time, so that a directory costs a write
// call per kIoBufferSize bytes. Every entry is released and `entryList`
// emptied, also after a failed write, when the remaining records are left
// unwritten.
void WriteCentralDirectory(ZipArchive* archive);
