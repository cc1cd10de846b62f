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
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_));
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
  archive_->readProgressContext = &told;
  archive_->readProgress = [](void* context, uint32_t bytesRead) {
    static_cast<std::vector<uint32_t>*>(context)->push_back(bytesRead);
    return true;
  };
  for (const char* name : {"stored.zip", "deflated.txt"}) {
    SCOPED_TRACE(name);
    told.clear();
    fake::PutFile(name, WordText(100000, 3)).readLimit = 7000;
    ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, name, name));
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
  EXPECT_EQ(ArchiveOk, CloseArchive(archive_));
  archive_ = nullptr;
  EXPECT_EQ((std::vector<uint32_t>{282 * 58, 282 * 58, 36 * 58 + 22}), fake::Fake().writeSizes);
  EXPECT_EQ(600u * 58 + 22, Output().size());
}

TEST_F(ChannelFaults, AFailureInTheDirectoryStillReleasesEveryEntry) {
  ListEntries(600, "one");
  // The second bufferful of records fails: the first stays, nothing follows.
  fake::Fake().faults.failWriteNumber = 2;
  EXPECT_EQ(ArchiveWriteFailed, CloseArchive(archive_));
  archive_ = nullptr;
  EXPECT_EQ(2u, fake::Fake().writeSizes.size());
  EXPECT_EQ(282u * 58, Output().size());
}

TEST_F(ChannelFaults, EntryCountsWrapAbove65535Entries) {
  ListEntries(65537, "e");
  EXPECT_EQ(ArchiveOk, CloseArchive(archive_));
  archive_ = nullptr;
  const std::vector<uint8_t>& file = Output();
  const uint32_t directorySize = 65537u * (46 + 1 + 9);
  ASSERT_EQ(directorySize + 22, file.size());
  const std::vector<uint8_t> end(file.end() - 22, file.end());
  EXPECT_EQ(Hex("50 4B 05 06  00 00  00 00  01 00  01 00  38 00 38 00  00 00 00 00  00 00"), end);
}

}  // namespace
