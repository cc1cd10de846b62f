// The byte layouts of the zip records this writer produces: for each entry a
// local file header followed by its data, then a central directory header per
// entry in the same order, then the end-of-central-directory record. Every
// field is little-endian. Records are laid out in memory and reach the output
// through the channel in few writes; a failed or short write ends them there,
// nothing later is written, and its code stays in `errorCode`.
#pragma once

#include <cstdint>

#include "zip/source_metadata.h"
#include "zip/zip_archive.h"
#include "zip/zip_entry.h"

constexpr uint32_t kLocalHeaderSize = 30;    // without name and extra field
constexpr uint32_t kCentralHeaderSize = 46;  // without name and extra field
constexpr uint32_t kEndOfDirectorySize = 22;
constexpr uint16_t kVersionNeeded = 20;      // 2.0: deflate
constexpr uint16_t kVersionMadeBy = 0x0B17;  // format 2.3, host system 11

// Bytes of the entry's local header and of its central directory header,
// name and extra field included.
inline uint32_t LocalHeaderLength(const ZipEntry* entry) {
  return kLocalHeaderSize + entry->nameLength + entry->localExtraLength;
}
inline uint32_t CentralHeaderLength(const ZipEntry* entry) {
  return kCentralHeaderSize + entry->nameLength + entry->centralExtraLength;
}

// Fills the entry's extended-timestamp fields ("UT", 0x5455) from the
// metadata: modification, access and creation times in the local copy, the
// modification time alone in the central copy.
void SetTimestampFields(ZipEntry* entry, const SourceMetadata& metadata);

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
