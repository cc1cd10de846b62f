// The zip records of an archive on their way to its output: the local
// headers, waiting in front of the staged output or written in place, and
// the central directory with its end record. A failed or short write ends
// them there, nothing later is written, and its code stays in the channel's
// `errorCode`.
#pragma once

#include <cstdint>

#include "writer/output_channel.h"
#include "zip/zip_entry.h"

// Lays the entry's local file header, with the entry's current flags, CRC
// and sizes, just in front of the channel's staged output and leaves it
// pending (`pendingHeader`): the channel writes it with the entry's first
// data. Laid again while pending, it takes the place of the one there.
void PendLocalHeader(OutputChannel* channel, const ZipEntry* entry);

// Writes the entry's local file header at the current output position, with
// the entry's current flags, CRC and sizes, as one write call: the final
// header over a provisional one that went out with the first of a large
// entry's data, which has the same length.
void WriteLocalHeader(OutputChannel* channel, const ZipEntry* entry);

// Writes a central directory header for `entries` and those linked after it
// by `next` (none when null), then the end record, as a directory that
// starts at archive offset `directoryStart`; returns the archive offset past
// the end record. They are gathered in the channel's `ioBuffer`, which must
// hold nothing still needed, and written a bufferful of whole records at a
// time, so that a directory costs a write call per kIoBufferSize bytes.
uint32_t WriteCentralDirectory(OutputChannel* channel, const ZipEntry* entries, uint32_t directoryStart);
