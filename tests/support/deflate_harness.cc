#include "tests/support/deflate_harness.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "deflate/compress_entry.h"
#include "platform/platform.h"
#include "tests/support/fake_platform.h"
#include "tests/support/inflate.h"
#include "writer/archive.h"
#include "zip/entry_name.h"

void CompressNextEntry(ZipArchive* archive, const std::vector<uint8_t>& input, ZipEntry* entry) {
  fake::PutFile("source", input);
  archive->source = OpenInputFile("source");
  archive->flags |= OwnsSource;
  entry->method = kMethodDeflated;
  WriteEntryData(archive, entry);
  CloseFile(archive->source);
  archive->flags &= ~static_cast<uint32_t>(OwnsSource);
}

void DiscardArchive(ZipArchive* archive) {
  archive->errorCode = ArchiveWriteFailed;  // keeps the directory out of the output
  CloseArchive(archive);
}

CompressedEntry CompressBytes(const std::vector<uint8_t>& input) {
  fake::Reset();
  ZipArchive* archive = nullptr;
  EXPECT_EQ(ArchiveOk, CreateArchiveOnFile("out", &archive));
  ZipEntry entry{};
  CompressNextEntry(archive, input, &entry);
  CompressedEntry result{fake::Contents("out"), archive->errorCode, archive->compressedSize,
                         archive->bytesRead,    archive->crc32,     entry.gpFlags};
  DiscardArchive(archive);
  return result;
}

ZipArchive* ArchiveWithCompressor() {
  fake::Reset();
  ZipArchive* archive = nullptr;
  EXPECT_EQ(ArchiveOk, CreateArchiveOnFile("out", &archive));
  ZipEntry entry{};
  CompressNextEntry(archive, {}, &entry);
  fake::Contents("out").clear();
  SetFilePosition(archive->output, 0, SeekFromStart);
  return archive;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& deflated) {
  std::vector<uint8_t> output;
  std::string problem;
  EXPECT_TRUE(InflateRaw(deflated.data(), deflated.size(), &output, &problem)) << problem;
  return output;
}
