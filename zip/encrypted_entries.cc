#include "zip/encrypted_entries.h"

#include <vector>

#include "zip/little_endian.h"
#include "zip/zip_records.h"

namespace {

constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kLongestComment = 0xFFFF;
constexpr uint32_t kZip64LocatorSize = 20;
constexpr uint32_t kZip64EndSize = 56;
constexpr uint16_t kEncryptedFlag = 0x0001;
// More than the longest central record, 46 + 3 * 65535 bytes: a chunk that
// starts with a record always holds it whole.
constexpr uint32_t kChunk = 1 << 18;

// Where the central directory lies, from the end record (and its 64-bit
// form when the end record says so).
struct Directory {
  uint64_t offset;
  uint64_t size;
};

bool FindDirectory(FileHandle file, uint64_t size, Directory* directory) {
  if (size < kEndOfDirectorySize) return false;
  const uint32_t tailLength = static_cast<uint32_t>(
      size < kEndOfDirectorySize + kLongestComment ? size : kEndOfDirectorySize + kLongestComment);
  std::vector<uint8_t> tail(tailLength);
  const uint64_t tailStart = size - tailLength;
  if (!ReadExactlyAt(file, tailStart, tail.data(), tailLength)) return false;
  // The last end record whose comment reaches exactly to the end of the
  // file; a signature inside a comment does not.
  for (uint32_t at = tailLength - kEndOfDirectorySize + 1; at-- > 0;) {
    const uint8_t* end = tail.data() + at;
    if (LoadLittle32(end) != kEndOfDirectorySignature ||
        at + kEndOfDirectorySize + LoadLittle16(end + 20) != tailLength)
      continue;
    const uint64_t endOffset = tailStart + at;
    // The directory ends where the records after it begin: data put in
    // front of the archive (a self-extractor's program) would make the
    // offset it gives wrong, so its size alone places it.
    directory->size = LoadLittle32(end + 12);
    if (directory->size == 0xFFFFFFFF || LoadLittle32(end + 16) == 0xFFFFFFFF) {
      if (at < kZip64LocatorSize || LoadLittle32(end - kZip64LocatorSize) != kZip64LocatorSignature) return false;
      // The 64-bit end record lies just before its locator; the offset the
      // locator gives is wrong by whatever was put in front of the archive.
      uint8_t record[kZip64EndSize];
      if (endOffset < kZip64LocatorSize + kZip64EndSize) return false;
      const uint64_t zip64End = endOffset - kZip64LocatorSize - kZip64EndSize;
      if (!ReadExactlyAt(file, zip64End, record, kZip64EndSize) || LoadLittle32(record) != kZip64EndSignature)
        return false;
      directory->size = LoadLittle64(record + 40);
      if (directory->size > zip64End) return false;
      directory->offset = zip64End - directory->size;
      return true;
    }
    if (directory->size > endOffset) return false;
    directory->offset = endOffset - directory->size;
    return true;
  }
  return false;
}

}  // namespace

bool FindEncryptedEntry(FileHandle file, uint64_t size, bool* encrypted) {
  *encrypted = false;
  Directory directory{};
  if (size >= 0x100000000ull || !FindDirectory(file, size, &directory)) return false;
  // The directory's records, read a chunk at a time; a record cut by the
  // chunk's end is read again from its start with the next one.
  std::vector<uint8_t> chunk(kChunk);
  uint64_t at = directory.offset;
  const uint64_t end = directory.offset + directory.size;
  while (at < end) {
    const uint32_t length = static_cast<uint32_t>(end - at < kChunk ? end - at : kChunk);
    if (!ReadExactlyAt(file, at, chunk.data(), length)) return false;
    uint32_t used = 0;
    while (length - used >= kCentralHeaderSize) {
      const uint8_t* record = chunk.data() + used;
      if (LoadLittle32(record) != kCentralHeaderSignature) return false;
      const uint32_t recordLength =
          kCentralHeaderSize + LoadLittle16(record + 28) + LoadLittle16(record + 30) + LoadLittle16(record + 32);
      if (recordLength > length - used) break;
      if ((LoadLittle16(record + 8) & kEncryptedFlag) != 0) {
        *encrypted = true;
        return true;
      }
      used += recordLength;
    }
    // No whole record in what is left of the directory: it ends mid-record.
    if (used == 0) return false;
    at += used;
  }
  return at == end;
}
