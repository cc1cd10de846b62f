#include "tests/support/deflate_harness.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "deflate/compress_entry.h"
#include "platform/platform.h"
#include "tests/support/fake_platform.h"
#include "writer/archive.h"

void CompressNextEntry(ZipArchive* archive, const std::vector<uint8_t>& input, ZipEntry* entry) {
  fake::PutFile("source", input);
  archive->source = OpenInputFile("source");
  archive->flags |= OwnsSource;
  archive->errorCode = ArchiveOk;
  archive->bytesRead = archive->crc32 = archive->compressedSize = 0;
  CompressEntry(archive, entry);
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
                         archive->bytesRead, archive->crc32, entry.gpFlags};
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
  z_stream stream{};
  EXPECT_EQ(Z_OK, inflateInit2(&stream, -15));
  std::vector<uint8_t> output;
  std::vector<uint8_t> input = deflated;
  stream.next_in = input.data();
  stream.avail_in = static_cast<uInt>(input.size());
  int status = Z_OK;
  uint8_t chunk[65536];
  while (status == Z_OK) {
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    status = inflate(&stream, Z_NO_FLUSH);
    output.insert(output.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
    if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
  }
  EXPECT_EQ(Z_STREAM_END, status) << "the deflate stream is incomplete or invalid";
  EXPECT_EQ(0u, stream.avail_in) << "bytes follow the end of the deflate stream";
  inflateEnd(&stream);
  return output;
}
