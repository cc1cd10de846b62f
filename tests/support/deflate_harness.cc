#include "tests/support/deflate_harness.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "deflate/compress_entry.h"
#include "platform/platform.h"
#include "tests/support/fake_platform.h"
#include "zip/archive.h"

CompressedEntry CompressBytes(const std::vector<uint8_t>& input) {
  fake::Reset();
  fake::PutFile("source", input);
  ZipArchive* archive = nullptr;
  EXPECT_EQ(ArchiveOk, CreateArchiveOnFile("out", &archive));
  archive->source = OpenInputFile("source");
  archive->flags |= OwnsSource;
  ZipEntry entry{};
  CompressEntry(archive, &entry);
  CompressedEntry result{fake::Contents("out"), archive->errorCode, archive->compressedSize,
                         archive->bytesRead, archive->crc32, entry.gpFlags};
  archive->errorCode = ArchiveWriteFailed;  // keep the directory out of the output
  CloseArchive(archive);
  return result;
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
