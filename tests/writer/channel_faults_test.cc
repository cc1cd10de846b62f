// The output channel and the records under injected failures, through the
// in-memory stand-in of the platform layer.
#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"
#include "writer/archive.h"
#include "writer/output_channel.h"
#include "writer/record_output.h"
#include "zip/entry_name.h"
#include "zip/zip_records.h"

namespace {

class ChannelFaults : public FakePlatformTest {
 protected:
  void SetUp() override {
    FakePlatformTest::SetUp();
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_).code);
  }
  void TearDown() override {
    CloseArchive(archive_);
    FakePlatformTest::TearDown();
  }
  void UseSource(const std::vector<uint8_t>& contents) {
    fake::PutFile("source", contents);
    archive_->source = OpenInputFile("source");
    archive_->flags |= OwnsSource;
  }
  ZipEntry* NewEntry(const char* name) {
    auto* entry = static_cast<ZipEntry*>(AllocateFixedMemory(sizeof(ZipEntry)));
    SetEntryName(entry, name);
    entry->localExtraLength = kLocalExtraLength;
    entry->centralExtraLength = kCentralExtraLength;
    return entry;
  }
  // Puts `count` entries named `name` on the archive's list, as added ones.
  void ListEntries(int count, const char* name) {
    for (int i = 0; i < count; ++i) {
      ZipEntry* entry = NewEntry(name);
      entry->next = archive_->entryList;
      archive_->entryList = entry;
    }
  }

  std::vector<uint8_t>& Output() { return fake::Contents("out.zip"); }

  ZipArchive* archive_ = nullptr;
};

TEST_F(ChannelFaults, ALocalHeaderIsOneWriteAndAFailedOneLeavesNothingAndIsSticky) {
  ZipEntry* entry = NewEntry("a.txt");
  WriteLocalHeader(archive_, entry);
  ASSERT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_EQ((std::vector<uint32_t>{30 + 5 + 17}), fake::Fake().writeSizes);
  // Its rewrite, failing.
  fake::Fake().faults.failWriteNumber = 2;
  ASSERT_TRUE(SeekOutput(archive_, 0));
  WriteLocalHeader(archive_, entry);
  ReleaseFixedMemory(entry);
  EXPECT_EQ(ArchiveWriteFailed, archive_->errorCode);
  EXPECT_EQ(2u, fake::Fake().writeSizes.size());
  EXPECT_EQ(0u, archive_->outputPosition);
  WriteBytes(archive_, "x", 1);
  EXPECT_EQ(2u, fake::Fake().writeSizes.size());
  EXPECT_EQ(ArchiveWriteFailed, archive_->errorCode);
  EXPECT_EQ(30u + 5 + 17, Output().size());
}

TEST_F(ChannelFaults, AShortWriteCountsAsAFailure) {
  fake::Fake().faults.shortWriteNumber = 1;
  WriteBytes(archive_, "abcdef", 6);
  EXPECT_EQ(ArchiveWriteFailed, archive_->errorCode);
  WriteBytes(archive_, "g", 1);
  EXPECT_EQ(1u, fake::Fake().writeSizes.size());
}

TEST_F(ChannelFaults, AFullDiskStopsTheWrites) {
  fake::Fake().faults.diskCapacity = 100;
  std::vector<uint8_t> block(64, 1);
  WriteBytes(archive_, block.data(), 64);
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  WriteBytes(archive_, block.data(), 64);
  EXPECT_EQ(ArchiveWriteFailed, archive_->errorCode);
  EXPECT_EQ(100u, Output().size());
}

TEST_F(ChannelFaults, AFailedReadEndsTheInputWithItsOwnCode) {
  UseSource(std::vector<uint8_t>(100, 7));
  archive_->errorCode = ArchiveWriteFailed;
  fake::Fake().faults.failReadNumber = 1;
  uint8_t buffer[100];
  EXPECT_EQ(0u, ReadSource(archive_, buffer, sizeof buffer));
  EXPECT_EQ(ArchiveReadFailed, archive_->errorCode);
  EXPECT_EQ(0u, archive_->bytesRead);
  EXPECT_EQ(0u, archive_->crc32);
}

TEST_F(ChannelFaults, ARepositioningFailureGivesSeekFailed) {
  fake::Fake().faults.failPositionNumber = 1;
  EXPECT_FALSE(SeekOutput(archive_, 0));
  EXPECT_EQ(ArchiveSeekFailed, archive_->errorCode);
}

TEST_F(ChannelFaults, CopyStoredMovesWholeBuffersAndAShorterLastOne) {
  struct Case {
    size_t size;
    std::vector<uint32_t> writes;
    std::vector<uint32_t> reads;  // each for the rest of the buffer, until the source ends
  };
  for (const Case& c : {Case{0, {}, {16384}}, Case{1, {1}, {16384, 16383}}, Case{16384, {16384}, {16384, 16384}},
                        Case{16385, {16384, 1}, {16384, 16384, 16383}},
                        Case{40000, {16384, 16384, 7232}, {16384, 16384, 16384, 9152}}}) {
    fake::Fake().writeSizes.clear();
    fake::Fake().readSizes.clear();
    UseSource(std::vector<uint8_t>(c.size, 0x5A));
    archive_->bytesRead = archive_->crc32 = archive_->compressedSize = 0;
    CopyStored(archive_);
    CloseFile(archive_->source);
    archive_->flags &= ~static_cast<uint32_t>(OwnsSource);
    EXPECT_EQ(c.writes, fake::Fake().writeSizes) << c.size;
    EXPECT_EQ(c.reads, fake::Fake().readSizes) << c.size;
    EXPECT_EQ(c.size, archive_->compressedSize);
    EXPECT_EQ(c.size, archive_->bytesRead);
    if (c.size == 0) {
      EXPECT_EQ(0u, archive_->crc32);
    }
  }
}

TEST_F(ChannelFaults, CopyStoredStopsAtAReadFailureKeepingWhatWasCopied) {
  UseSource(std::vector<uint8_t>(40000, 0x33));
  fake::Fake().faults.failReadNumber = 2;
  CopyStored(archive_);
  EXPECT_EQ(ArchiveReadFailed, archive_->errorCode);
  EXPECT_EQ(16384u, archive_->compressedSize);
  EXPECT_EQ(16384u, Output().size());
}

TEST_F(ChannelFaults, CopyStoredStopsAtAWriteFailure) {
  UseSource(std::vector<uint8_t>(40000, 0x33));
  fake::Fake().faults.failWriteNumber = 1;
  CopyStored(archive_);
  EXPECT_EQ(ArchiveWriteFailed, archive_->errorCode);
  EXPECT_EQ(1u, fake::Fake().writeSizes.size());
  EXPECT_TRUE(Output().empty());
}

TEST_F(ChannelFaults, ProgressIsToldAfterEveryReadOfStoredAndDeflatedSources) {
  std::vector<uint32_t> told;
  archive_->options.readProgressContext = &told;
  archive_->options.readProgress = [](void* context, uint32_t bytesRead) {
    static_cast<std::vector<uint32_t>*>(context)->push_back(bytesRead);
    return true;
  };
  for (const char* name : {"stored.zip", "deflated.txt"}) {
    SCOPED_TRACE(name);
    told.clear();
    fake::PutFile(name, WordText(100000, 3)).readLimit = 7000;
    ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, name, name).code);
    // One report per read that brought bytes (reads of at most 7000, and
    // shorter where the compressor's window has less room), each counting
    // all bytes so far.
    ASSERT_GE(told.size(), 15u);
    for (size_t i = 0; i < told.size(); ++i) {
      const uint32_t before = i == 0 ? 0 : told[i - 1];
      EXPECT_TRUE(told[i] > before && told[i] - before <= 7000) << i << ": " << before << " then " << told[i];
    }
    EXPECT_EQ(100000u, told.back());
  }
}

// Central headers of 58 bytes: 282 of them fill a buffer to 16356 bytes.
TEST_F(ChannelFaults, TheDirectoryGoesOutInBufferfulsOfWholeRecords) {
  ListEntries(600, "one");
  EXPECT_EQ(ArchiveOk, CloseArchive(archive_).code);
  archive_ = nullptr;
  EXPECT_EQ((std::vector<uint32_t>{282 * 58, 282 * 58, 36 * 58 + 22}), fake::Fake().writeSizes);
  EXPECT_EQ(600u * 58 + 22, Output().size());
}

TEST_F(ChannelFaults, AFailureInTheDirectoryStillReleasesEveryEntry) {
  ListEntries(600, "one");
  // The second bufferful of records fails: the first stays, nothing follows.
  fake::Fake().faults.failWriteNumber = 2;
  EXPECT_EQ(ArchiveWriteFailed, CloseArchive(archive_).code);
  archive_ = nullptr;
  EXPECT_EQ(2u, fake::Fake().writeSizes.size());
  EXPECT_EQ(282u * 58, Output().size());
}

TEST_F(ChannelFaults, EntryCountsWrapAbove65535Entries) {
  ListEntries(65537, "e");
  EXPECT_EQ(ArchiveOk, CloseArchive(archive_).code);
  archive_ = nullptr;
  const std::vector<uint8_t>& file = Output();
  const uint32_t directorySize = 65537u * (46 + 1 + 9);
  ASSERT_EQ(directorySize + 22, file.size());
  const std::vector<uint8_t> end(file.end() - 22, file.end());
  EXPECT_EQ(Hex("50 4B 05 06  00 00  00 00  01 00  01 00  38 00 38 00  00 00 00 00  00 00"), end);
}

TEST_F(ChannelFaults, WritesStopAtTheLimitWithoutWritingAByteOfTheRefusedOne) {
  archive_->outputLimit = 10;
  WriteBytes(archive_, "abcdefgh", 8);
  WriteBytes(archive_, "AB", 2);
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_EQ(10u, archive_->outputPosition);
  WriteBytes(archive_, "x", 1);
  EXPECT_EQ(ArchiveTooLarge, archive_->errorCode);
  EXPECT_EQ(10u, Output().size());
  EXPECT_EQ(10u, archive_->outputPosition);
  archive_->errorCode = ArchiveOk;
  ASSERT_TRUE(SeekOutput(archive_, 4));
  EXPECT_EQ(4u, archive_->outputPosition);
  WriteBytes(archive_, "123456", 6);  // overwriting within the limit is fine
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_EQ(Text("abcd123456"), fake::Contents("out.zip"));
}

// Stands in for a source that has already delivered almost 4 GiB when the
// next read comes: the count of bytes read must not wrap.
void ArriveNear4GiB(ZipArchive* archive, uint32_t bytesShort) {
  fake::Fake().beforeEachRead = [archive, bytesShort] {
    if (archive->bytesRead == 0) archive->bytesRead = static_cast<uint32_t>(kLargestSource - bytesShort);
  };
}

TEST_F(ChannelFaults, ReadingMayReachButNotPass4GiB) {
  fake::PutFile("source", Text("0123456789"));
  archive_->source = OpenInputFile("source");
  archive_->flags |= OwnsSource;
  archive_->bytesRead = static_cast<uint32_t>(kLargestSource - 9);
  uint8_t buffer[16];
  EXPECT_EQ(0u, ReadSource(archive_, buffer, sizeof buffer));
  EXPECT_EQ(ArchiveSourceTooLarge, archive_->errorCode);
  EXPECT_EQ(static_cast<uint32_t>(kLargestSource - 9), archive_->bytesRead);
  EXPECT_EQ(0u, archive_->crc32);

  archive_->errorCode = ArchiveOk;
  fake::PutFile("source", Text("0123456789"));
  CloseFile(archive_->source);
  archive_->source = OpenInputFile("source");
  archive_->bytesRead = static_cast<uint32_t>(kLargestSource - 10);
  EXPECT_EQ(10u, ReadSource(archive_, buffer, sizeof buffer));
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_EQ(0xFFFFFFFFu, archive_->bytesRead);
}

TEST_F(ChannelFaults, SourcesThatGrowTo4GiBWhileReadAreRefusedAndCutAway) {
  fake::PutFile("first.txt", WordText(500, 9));
  fake::PutFile("zeros.txt", std::vector<uint8_t>(100000, 0));
  fake::PutFile("zeros.gz", std::vector<uint8_t>(100000, 0));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "first.txt", "first.txt").code);
  const uint32_t before = archive_->archiveOffset;
  ArriveNear4GiB(archive_, 50000);
  EXPECT_EQ(ArchiveSourceTooLarge, AddFileToArchive(archive_, "zeros.txt", "zeros.txt").code);  // deflated
  EXPECT_EQ(before, archive_->archiveOffset);
  EXPECT_EQ(ArchiveSourceTooLarge, AddFileToArchive(archive_, "zeros.gz", "zeros.gz").code);  // stored
  EXPECT_EQ(before, archive_->archiveOffset);
  // Exactly 4 GiB - 1 bytes in all still fits the size fields (the file
  // says it holds that many, or its copy would be taken for a torn one).
  ArriveNear4GiB(archive_, 100000);
  fake::Fake().files["zeros.txt"].reportedSize = kLargestSource;
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "full.txt", "zeros.txt").code);
  fake::Fake().beforeEachRead = nullptr;
  ASSERT_EQ(ArchiveOk, CloseArchive(archive_).code);
  archive_ = nullptr;
  // The strict reader would inflate 100000 bytes against a size of 4 GiB - 1;
  // check the records instead.
  const std::vector<uint8_t>& bytes = fake::Contents("out.zip");
  const size_t second = before;
  auto u32 = [&bytes](size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
  };
  EXPECT_EQ(0x04034B50u, u32(second));
  EXPECT_EQ(0xFFFFFFFFu, u32(second + 22));  // uncompressed size
}

}  // namespace
