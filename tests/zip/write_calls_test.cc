// How many write calls and repositionings an archive of small files takes,
// and the bytes they leave: every record goes out whole, the directory a
// bufferful at a time, and none of the bytes differs from those of the
// writer that wrote each field by a call of its own.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"
#include "zip/zip_records.h"

namespace {

constexpr FileTime kSomeTime = 133544529370000000ull;  // 2024-03-09 10:15:37 UTC
constexpr FileTime kSecond = 10000000;

class WriteCalls : public FakePlatformTest {
 protected:
  // Zips `count` small files, every fourth stored and the others deflated,
  // each of whose data is one write, and leaves the archive open.
  void AddSmallFiles(int count) {
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_));
    for (int i = 0; i < count; ++i) {
      const uint32_t seed = static_cast<uint32_t>(i);
      const bool stored = i % 4 == 3;
      const std::string name = "file" + std::to_string(i) + (stored ? ".gz" : ".txt");
      const size_t size = 1000 + (37u * seed) % 3000;
      fake::File& file = fake::PutFile(name, stored ? RandomBytes(size, seed) : WordText(size, seed));
      file.info.lastWriteTime = kSomeTime + seed * kSecond;
      file.info.lastAccessTime = kSomeTime + 2 * seed * kSecond;
      file.info.creationTime = kSomeTime - seed * kSecond;
      ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, name.c_str(), name.c_str())) << name;
      directoryBytes_ += kCentralHeaderSize + static_cast<uint32_t>(name.size()) + kCentralExtraLength;
    }
  }
  std::vector<uint8_t> Close() {
    EXPECT_EQ(ArchiveOk, CloseArchive(archive_));
    archive_ = nullptr;
    return fake::Contents("out.zip");
  }
  void TearDown() override {
    if (archive_ != nullptr) CloseArchive(archive_);
    FakePlatformTest::TearDown();
  }

  ZipArchive* archive_ = nullptr;
  uint32_t directoryBytes_ = 0;
};

TEST_F(WriteCalls, ASmallEntryTakesThreeWritesAndTheDirectoryOneABufferful) {
  const int entries = 300;  // a directory of about 20 KB: two buffers
  AddSmallFiles(entries);
  const std::vector<uint32_t> adds = fake::Fake().writeSizes;
  // The provisional local header, the data and the final header over the
  // first, which has the same length.
  ASSERT_EQ(3u * entries, adds.size());
  for (size_t i = 0; i < adds.size(); i += 3) {
    EXPECT_EQ(adds[i], adds[i + 2]) << i;
    EXPECT_GE(adds[i], kLocalHeaderSize + kLocalExtraLength + 5) << i;
  }
  // Two repositionings of the output per entry, around the final header,
  // and two of the source: where it is, and the return to its start after
  // the look at its head for a program's signature.
  EXPECT_EQ(4 * entries, fake::Fake().calls.positions);

  Close();
  const std::vector<uint32_t> closing(fake::Fake().writeSizes.begin() + 3 * entries, fake::Fake().writeSizes.end());
  ASSERT_EQ(2u, closing.size());
  EXPECT_GT(closing[0], kIoBufferSize - (kCentralHeaderSize + kEntryNameCapacity + kCentralExtraLength));
  EXPECT_LE(closing[0], kIoBufferSize);
  EXPECT_EQ(directoryBytes_ + kEndOfDirectorySize, closing[0] + closing[1]);
  EXPECT_LE(fake::Fake().calls.writes, 4 * entries + 2);
}

TEST_F(WriteCalls, TheArchiveHasTheBytesTheFieldByFieldWriterGaveIt) {
  // Size and CRC-32 of this archive as the writer gave it while every field
  // of every record was a write call of its own.
  AddSmallFiles(40);
  const std::vector<uint8_t> archive = Close();
  const ReadArchive read = ReadZip(archive);
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(40u, read.entries.size());
  EXPECT_EQ(39910u, archive.size());
  EXPECT_EQ(0x6E4B3B69u, crc32(0, archive.data(), static_cast<uInt>(archive.size())));
}

}  // namespace
