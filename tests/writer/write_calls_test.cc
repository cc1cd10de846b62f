// How many write calls and repositionings an archive takes, and the bytes
// they leave: a small entry goes out whole with one write, a large one sends
// its header with its first data and rewrites it, the directory goes out a
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
#include "writer/output_channel.h"
#include "zip/zip_records.h"

namespace {

constexpr FileTime kSomeTime = 133544529370000000ull;  // 2024-03-09 10:15:37 UTC
constexpr FileTime kSecond = 10000000;

class WriteCalls : public FakePlatformTest {
 protected:
  // Zips `count` small files, every fourth stored and the others deflated,
  // each of whose data is one write, and leaves the archive open.
  void AddSmallFiles(int count) {
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_).code);
    for (int i = 0; i < count; ++i) {
      const uint32_t seed = static_cast<uint32_t>(i);
      const bool stored = i % 4 == 3;
      const std::string name = "file" + std::to_string(i) + (stored ? ".gz" : ".txt");
      const size_t size = 1000 + (37u * seed) % 3000;
      fake::File& file = fake::PutFile(name, stored ? RandomBytes(size, seed) : WordText(size, seed));
      file.info.lastWriteTime = kSomeTime + seed * kSecond;
      file.info.lastAccessTime = kSomeTime + 2 * seed * kSecond;
      file.info.creationTime = kSomeTime - seed * kSecond;
      ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, name.c_str(), name.c_str()).code) << name;
      directoryBytes_ += kCentralHeaderSize + static_cast<uint32_t>(name.size()) + kCentralExtraLength;
    }
  }
  std::vector<uint8_t> Close() {
    EXPECT_EQ(ArchiveOk, CloseArchive(archive_).code);
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

TEST_F(WriteCalls, ASmallEntryTakesOneWriteAndTheDirectoryOneABufferful) {
  const int entries = 300;  // a directory of about 20 KB: two buffers
  AddSmallFiles(entries);
  const std::vector<uint32_t> adds = fake::Fake().writeSizes;
  // No repositioning of the output at all; two of each source: where it is,
  // and back to its start after the look at its head for a program's
  // signature.
  ASSERT_EQ(static_cast<size_t>(entries), adds.size());
  EXPECT_EQ(2 * entries, fake::Fake().calls.positions);

  const ReadArchive read = ReadZip(Close());
  ASSERT_TRUE(read.ok) << read.error;
  for (size_t i = 0; i < adds.size(); ++i) {
    const ReadEntry& entry = read.entries[i];
    EXPECT_EQ(kLocalHeaderSize + entry.name.size() + kLocalExtraLength + entry.compressedSize, adds[i]) << i;
  }
  const std::vector<uint32_t> closing(fake::Fake().writeSizes.begin() + entries, fake::Fake().writeSizes.end());
  ASSERT_EQ(2u, closing.size());
  EXPECT_GT(closing[0], kIoBufferSize - (kCentralHeaderSize + kEntryNameCapacity + kCentralExtraLength));
  EXPECT_LE(closing[0], kIoBufferSize);
  EXPECT_EQ(directoryBytes_ + kEndOfDirectorySize, closing[0] + closing[1]);
}

TEST_F(WriteCalls, ALargeEntrySendsItsHeaderWithItsFirstDataAndRewritesIt) {
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_).code);
  fake::PutFile("large.gz", RandomBytes(40000, 1));
  fake::PutFile("large.txt", WordText(300000, 2));
  for (const std::string name : {"large.gz", "large.txt"}) {
    SCOPED_TRACE(name);
    const uint32_t header = kLocalHeaderSize + static_cast<uint32_t>(name.size()) + kLocalExtraLength;
    fake::Fake().writeSizes.clear();
    const int positions = fake::Fake().calls.positions;
    ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, name.c_str(), name.c_str()).code);
    const std::vector<uint32_t>& writes = fake::Fake().writeSizes;
    ASSERT_GE(writes.size(), 3u);
    EXPECT_GT(writes.front(), header + kIoBufferSize - 2);
    EXPECT_LE(writes.front(), header + kIoBufferSize);
    EXPECT_EQ(header, writes.back());
    // Two of the source, then to the header and back to the end.
    EXPECT_EQ(4, fake::Fake().calls.positions - positions);
  }
  const ReadArchive read = ReadZip(Close());
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(2u, read.entries.size());
  EXPECT_EQ(RandomBytes(40000, 1), read.entries[0].data);
  EXPECT_EQ(WordText(300000, 2), read.entries[1].data);
}

TEST_F(WriteCalls, ASmallEntryThatFailsBeforeItsEndWritesNothing) {
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_).code);
  fake::PutFile("changed.txt", WordText(3000, 1)).reportedSize = 2000;
  const ArchiveStatus changed = AddFileToArchive(archive_, "changed.txt", "changed.txt");
  EXPECT_EQ(ArchiveReadFailed, changed.code);
  EXPECT_EQ(FailedSourceChanged, changed.reason);
  fake::PutFile("unreadable.gz", RandomBytes(3000, 2));
  fake::Fake().faults.failReadNumber = fake::Fake().calls.reads + 2;  // the data's, after the head's
  const ArchiveStatus unreadable = AddFileToArchive(archive_, "unreadable.gz", "unreadable.gz");
  EXPECT_EQ(ArchiveReadFailed, unreadable.code);
  EXPECT_EQ(FailedSourceRead, unreadable.reason);
  EXPECT_EQ(0, fake::Fake().calls.writes);
  const ReadArchive read = ReadZip(Close());
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_TRUE(read.entries.empty());
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
