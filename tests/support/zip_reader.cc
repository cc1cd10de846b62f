#include "tests/support/zip_reader.h"

#include <zlib.h>

#include "tests/support/inflate.h"

namespace {

uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint32_t>(b[at] | (b[at + 1] << 8)); }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | (U16(b, at + 2) << 16); }

bool Fail(ReadArchive& archive, const std::string& why) {
  archive.error = why;
  archive.entries.clear();
  return false;
}

// The data of a deflated entry must inflate to exactly its recorded size.
bool InflateExactly(const uint8_t* data, size_t size, size_t expected, std::vector<uint8_t>* out) {
  std::string problem;
  return InflateRaw(data, size, out, &problem) && out->size() == expected;
}

bool ReadCentral(ReadArchive& archive, const std::vector<uint8_t>& file, size_t* at, size_t localEnd,
                 size_t* expectedLocal) {
  if (*at + 46 > file.size() || U32(file, *at) != 0x02014B50) return Fail(archive, "bad central header");
  ReadEntry entry;
  entry.flags = static_cast<uint16_t>(U16(file, *at + 8));
  entry.method = static_cast<uint16_t>(U16(file, *at + 10));
  entry.dosDateTime = U32(file, *at + 12);
  entry.crc32 = U32(file, *at + 16);
  entry.compressedSize = U32(file, *at + 20);
  const uint32_t size = U32(file, *at + 24);
  const uint32_t nameLength = U16(file, *at + 28);
  const uint32_t extraLength = U16(file, *at + 30);
  if (U16(file, *at + 32) != 0 || extraLength != 9) return Fail(archive, "unexpected comment or extra field");
  entry.externalAttributes = U32(file, *at + 38);
  entry.localHeaderOffset = U32(file, *at + 42);
  if (*at + 46 + nameLength + extraLength > file.size()) return Fail(archive, "central header runs past the end");
  entry.name.assign(file.begin() + static_cast<std::ptrdiff_t>(*at + 46),
                    file.begin() + static_cast<std::ptrdiff_t>(*at + 46 + nameLength));
  const size_t extra = *at + 46 + nameLength;
  if (U16(file, extra) != 0x5455 || U16(file, extra + 2) != 5 || file[extra + 4] != 7) {
    return Fail(archive, "bad central timestamp field");
  }
  entry.modifyTime = static_cast<int32_t>(U32(file, extra + 5));
  *at = extra + extraLength;

  // The local entry must start where the previous one ended and repeat the
  // central header's fields.
  const size_t local = entry.localHeaderOffset;
  if (local != *expectedLocal) return Fail(archive, entry.name + ": gap or overlap before its local header");
  if (local + 30 > localEnd || U32(file, local) != 0x04034B50) return Fail(archive, entry.name + ": bad local header");
  if (U16(file, local + 6) != entry.flags || U16(file, local + 8) != entry.method ||
      U32(file, local + 10) != entry.dosDateTime || U32(file, local + 14) != entry.crc32 ||
      U32(file, local + 18) != entry.compressedSize || U32(file, local + 22) != size ||
      U16(file, local + 26) != nameLength || U16(file, local + 28) != 17) {
    return Fail(archive, entry.name + ": local and central headers disagree");
  }
  const size_t localExtra = local + 30 + nameLength;
  if (U16(file, localExtra) != 0x5455 || U16(file, localExtra + 2) != 13 ||
      U32(file, localExtra + 5) != static_cast<uint32_t>(entry.modifyTime)) {
    return Fail(archive, entry.name + ": bad local timestamp field");
  }
  const size_t data = localExtra + 17;
  if (data + entry.compressedSize > localEnd) return Fail(archive, entry.name + ": data runs past the directory");
  if (entry.method == 0) {
    if (entry.compressedSize != size) return Fail(archive, entry.name + ": stored sizes differ");
    entry.data.assign(file.begin() + static_cast<std::ptrdiff_t>(data),
                      file.begin() + static_cast<std::ptrdiff_t>(data + size));
  } else if (entry.method == 8) {
    if (!InflateExactly(file.data() + data, entry.compressedSize, size, &entry.data)) {
      return Fail(archive, entry.name + ": deflate data does not inflate to its size");
    }
  } else {
    return Fail(archive, entry.name + ": unknown method");
  }
  if (static_cast<uint32_t>(crc32(0, entry.data.data(), static_cast<uInt>(entry.data.size()))) != entry.crc32) {
    return Fail(archive, entry.name + ": CRC-32 mismatch");
  }
  *expectedLocal = data + entry.compressedSize;
  archive.entries.push_back(entry);
  return true;
}

}  // namespace

ReadArchive ReadZip(const std::vector<uint8_t>& file) {
  ReadArchive archive;
  if (file.size() < 22) {
    Fail(archive, "shorter than an end record");
    return archive;
  }
  const size_t end = file.size() - 22;
  if (U32(file, end) != 0x06054B50 || U16(file, end + 20) != 0) {
    Fail(archive, "no end record at the end");
    return archive;
  }
  const uint32_t count = U16(file, end + 10);
  const uint32_t directorySize = U32(file, end + 12);
  const uint32_t directoryStart = U32(file, end + 16);
  if (U16(file, end + 8) != count || static_cast<uint64_t>(directoryStart) + directorySize != end) {
    Fail(archive, "the directory does not end at the end record");
    return archive;
  }
  size_t at = directoryStart;
  size_t expectedLocal = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (!ReadCentral(archive, file, &at, directoryStart, &expectedLocal)) return archive;
  }
  if (at != end) {
    Fail(archive, "the directory holds more than its entries");
    return archive;
  }
  if (expectedLocal != directoryStart) {
    Fail(archive, "bytes between the last entry and the directory");
    return archive;
  }
  archive.ok = true;
  return archive;
}
