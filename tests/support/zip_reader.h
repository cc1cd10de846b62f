// A strict reader of the archives this writer produces, for tests: the local
// entries, the central directory and the end record must tile the file
// exactly and agree with each other, and every entry's data must inflate (with
// zlib) to its recorded size and CRC-32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ReadEntry {
  std::string name;
  uint16_t method;
  uint16_t flags;
  uint32_t crc32;
  uint32_t compressedSize;
  uint32_t localHeaderOffset;
  uint32_t externalAttributes;
  uint32_t dosDateTime;
  int32_t modifyTime;         // from the extended-timestamp field
  std::vector<uint8_t> data;  // uncompressed
};

struct ReadArchive {
  bool ok = false;
  std::string error;
  std::vector<ReadEntry> entries;
};

ReadArchive ReadZip(const std::vector<uint8_t>& file);
