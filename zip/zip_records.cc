#include "zip/zip_records.h"

#include <cstring>

#include "platform/platform.h"
#include "zip/output_channel.h"

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndOfDirectorySignature = 0x06054B50;

constexpr uint16_t kTimestampFieldId = 0x5455;  // "UT"
constexpr uint8_t kTimestampFlags = 0x07;       // modification, access and creation present

void PutU16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* at, uint32_t value) {
  PutU16(at, value & 0xFFFF);
  PutU16(at + 2, value >> 16);
}

// The run of fields that local and central headers have in common, from the
// version needed to extract to the extra field length.
void WriteSharedFields(ZipArchive* archive, const ZipEntry* entry, uint32_t extraLength) {
  WriteU16(archive, kVersionNeeded);
  WriteU16(archive, entry->gpFlags);
  WriteU16(archive, entry->method);
  WriteU16(archive, entry->dosDateTime & 0xFFFF);  // time
  WriteU16(archive, entry->dosDateTime >> 16);     // date
  WriteU32(archive, entry->crc32);
  WriteU32(archive, entry->compressedSize);
  WriteU32(archive, entry->uncompressedSize);
  WriteU16(archive, entry->nameLength);
  WriteU16(archive, extraLength);
}

void WriteCentralHeader(ZipArchive* archive, const ZipEntry* entry) {
  WriteU32(archive, kCentralHeaderSignature);
  WriteU16(archive, kVersionMadeBy);
  WriteSharedFields(archive, entry, entry->centralExtraLength);
  WriteU16(archive, 0);  // file comment length
  WriteU16(archive, entry->diskStart);
  WriteU16(archive, entry->internalAttributes);
  WriteU32(archive, entry->externalAttributes);
  WriteU32(archive, entry->localHeaderOffset);
  WriteBytes(archive, entry->name, entry->nameLength);
  WriteBytes(archive, entry->centralExtra, entry->centralExtraLength);
}

}  // namespace

void SetTimestampFields(ZipEntry* entry, const SourceMetadata& metadata) {
  uint8_t* local = entry->localExtra;
  PutU16(local, kTimestampFieldId);
  PutU16(local + 2, kLocalExtraLength - 4);
  local[4] = kTimestampFlags;
  PutU32(local + 5, static_cast<uint32_t>(metadata.modifyTime));
  PutU32(local + 9, static_cast<uint32_t>(metadata.accessTime));
  PutU32(local + 13, static_cast<uint32_t>(metadata.createTime));
  entry->localExtraLength = kLocalExtraLength;

  // The central copy is the head of the local one: the flags still announce
  // all three times, as readers expect, but only the first is present.
  memcpy(entry->centralExtra, local, kCentralExtraLength);
  PutU16(entry->centralExtra + 2, kCentralExtraLength - 4);
  entry->centralExtraLength = kCentralExtraLength;
}

void WriteLocalHeader(ZipArchive* archive, const ZipEntry* entry) {
  WriteU32(archive, kLocalHeaderSignature);
  WriteSharedFields(archive, entry, entry->localExtraLength);
  WriteBytes(archive, entry->name, entry->nameLength);
  WriteBytes(archive, entry->localExtra, entry->localExtraLength);
}

void WriteCentralDirectory(ZipArchive* archive) {
  const uint32_t directoryStart = archive->archiveOffset;
  uint32_t count = 0;
  while (ZipEntry* entry = archive->entryList) {
    WriteCentralHeader(archive, entry);
    archive->archiveOffset += CentralHeaderLength(entry);
    ++count;
    archive->entryList = entry->next;
    ReleaseFixedMemory(entry);
  }
  archive->lastEntry = nullptr;
  archive->directorySize = 0;

  WriteU32(archive, kEndOfDirectorySignature);
  WriteU16(archive, 0);  // number of this disk
  WriteU16(archive, 0);  // disk where the central directory starts
  WriteU16(archive, count & 0xFFFF);  // the 16-bit counts wrap above 65535 entries
  WriteU16(archive, count & 0xFFFF);
  WriteU32(archive, archive->archiveOffset - directoryStart);
  WriteU32(archive, directoryStart);
  WriteU16(archive, 0);  // comment length
  archive->archiveOffset += kEndOfDirectorySize;
}
