// The byte layouts of the zip records this writer produces: for each entry a
// local file header followed by its data, then a central directory header per
// entry in the same order, then the end-of-central-directory record. Every
// field is little-endian. Records are laid out in memory; the writer sends
// them to the output.
#pragma once

#include <cstdint>

#include "zip/source_metadata.h"
#include "zip/zip_entry.h"

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndOfDirectorySignature = 0x06054B50;
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

// The largest records an entry's arrays can make: a name fills at most its
// array, as the extra fields do theirs.
constexpr uint32_t kLongestLocalHeader = kLocalHeaderSize + kEntryNameCapacity + kLocalExtraLength;
constexpr uint32_t kLongestCentralHeader = kCentralHeaderSize + kEntryNameCapacity + kCentralExtraLength;

// Each lays its record at `at`, with the entry's current flags, CRC and
// sizes, and returns the position after it: the entry's local file header,
// its central directory header, and the end record of a directory of
// `count` entries, `directorySize` bytes long, that starts at
// `directoryStart`.
uint8_t* PutLocalHeader(uint8_t* at, const ZipEntry* entry);
uint8_t* PutCentralHeader(uint8_t* at, const ZipEntry* entry);
uint8_t* PutEndRecord(uint8_t* at, uint32_t count, uint32_t directorySize, uint32_t directoryStart);
