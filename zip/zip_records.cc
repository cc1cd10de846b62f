#include "zip/zip_records.h"

#include <cstring>

namespace {

constexpr uint16_t kTimestampFieldId = 0x5455;  // "UT"
constexpr uint8_t kTimestampFlags = 0x07;       // modification, access and creation present

// Each Put function lays its bytes at `at` and returns the position after
// them, so that a record reads as the sequence of its fields.
uint8_t* Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
  return at + 2;
}

uint8_t* Put32(uint8_t* at, uint32_t value) { return Put16(Put16(at, value & 0xFFFF), value >> 16); }

uint8_t* PutBytes(uint8_t* at, const void* data, uint32_t length) {
  if (length != 0) memcpy(at, data, length);
  return at + length;
}

// The run of fields that local and central headers have in common, from the
// version needed to extract to the extra field length.
uint8_t* PutSharedFields(uint8_t* at, const ZipEntry* entry, uint32_t extraLength) {
  at = Put16(at, kVersionNeeded);
  at = Put16(at, entry->gpFlags);
  at = Put16(at, entry->method);
  at = Put16(at, entry->dosDateTime & 0xFFFF);  // time
  at = Put16(at, entry->dosDateTime >> 16);     // date
  at = Put32(at, entry->crc32);
  at = Put32(at, entry->compressedSize);
  at = Put32(at, entry->uncompressedSize);
  at = Put16(at, entry->nameLength);
  return Put16(at, extraLength);
}

}  // namespace

uint8_t* PutLocalHeader(uint8_t* at, const ZipEntry* entry) {
  at = Put32(at, kLocalHeaderSignature);
  at = PutSharedFields(at, entry, entry->localExtraLength);
  at = PutBytes(at, entry->name, entry->nameLength);
  return PutBytes(at, entry->localExtra, entry->localExtraLength);
}

uint8_t* PutCentralHeader(uint8_t* at, const ZipEntry* entry) {
  at = Put32(at, kCentralHeaderSignature);
  at = Put16(at, kVersionMadeBy);
  at = PutSharedFields(at, entry, entry->centralExtraLength);
  at = Put16(at, 0);  // file comment length
  at = Put16(at, entry->diskStart);
  at = Put16(at, entry->internalAttributes);
  at = Put32(at, entry->externalAttributes);
  at = Put32(at, entry->localHeaderOffset);
  at = PutBytes(at, entry->name, entry->nameLength);
  return PutBytes(at, entry->centralExtra, entry->centralExtraLength);
}

uint8_t* PutEndRecord(uint8_t* at, uint32_t count, uint32_t directorySize, uint32_t directoryStart) {
  at = Put32(at, kEndOfDirectorySignature);
  at = Put16(at, 0);               // number of this disk
  at = Put16(at, 0);               // disk where the central directory starts
  at = Put16(at, count & 0xFFFF);  // the 16-bit counts wrap above 65535 entries
  at = Put16(at, count & 0xFFFF);
  at = Put32(at, directorySize);
  at = Put32(at, directoryStart);
  return Put16(at, 0);  // comment length
}

void SetTimestampFields(ZipEntry* entry, const SourceMetadata& metadata) {
  uint8_t* at = Put16(entry->localExtra, kTimestampFieldId);
  at = Put16(at, kLocalExtraLength - 4);
  *at++ = kTimestampFlags;
  at = Put32(at, static_cast<uint32_t>(metadata.modifyTime));
  at = Put32(at, static_cast<uint32_t>(metadata.accessTime));
  Put32(at, static_cast<uint32_t>(metadata.createTime));
  entry->localExtraLength = kLocalExtraLength;

  // The central copy is the head of the local one: the flags still announce
  // all three times, as readers expect, but only the first is present.
  memcpy(entry->centralExtra, entry->localExtra, kCentralExtraLength);
  Put16(entry->centralExtra + 2, kCentralExtraLength - 4);
  entry->centralExtraLength = kCentralExtraLength;
}
