// One entry of the central directory.
#pragma once

#include <cstdint>

constexpr uint32_t kEntryNameCapacity = 260;  // 259 bytes and the NUL
constexpr uint32_t kLocalExtraLength = 17;
constexpr uint32_t kCentralExtraLength = 9;

// Allocated zero-filled as fixed memory by the add operation; on success it
// belongs to the archive's `entryList` until the central directory is
// written, on failure it is released before the add returns.
struct ZipEntry {
  uint16_t gpFlags;      // general-purpose bits: 0x0008 while provisional, 0x0002 when deflated
  uint16_t method;       // 0 stored, 8 deflated
  uint32_t dosDateTime;  // DOS time in the low half, DOS date in the high half
  uint32_t crc32;
  uint32_t compressedSize;
  uint32_t uncompressedSize;
  uint32_t nameLength;
  uint32_t localExtraLength;    // 17
  uint32_t centralExtraLength;  // 9
  uint16_t diskStart;           // 0
  uint16_t internalAttributes;  // 0
  uint32_t externalAttributes;
  uint32_t localHeaderOffset;
  // The extended-timestamp fields. The local copy is only needed while the
  // entry is being added; keeping it in the record spares a second block.
  uint8_t localExtra[kLocalExtraLength];
  uint8_t centralExtra[kCentralExtraLength];
  char name[kEntryNameCapacity];  // NUL-terminated, '/' as the separator
  ZipEntry* next;
};
