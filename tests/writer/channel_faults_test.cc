// The output channel and the records under injected failures, through the
// in-memory stand-in of the platform layer.
#include <gtest/gtest.h>

#include "deflate/compressor.h"
#include "tests/support/channel_fixture.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"
#include "writer/archive.h"
#include "writer/entry_compression.h"
#include "writer/output_channel.h"
#include "writer/record_output.h"
#include "zip/entry_name.h"
#include "zip/zip_records.h"

namespace {

class ChannelFaults : public FakePlatformTest {
 protected:
  void SetUp() override {
    FakePlatformTest::SetUp();
    channel_ = NewChannelOn("out.zip");
    ASSERT_NE(nullptr, channel_);
  }
  void TearDown() override {
    ReleaseChannel(channel_);
    ReleaseEntries(&entries_);
    FakePlatformTest::TearDown();
  }
  void UseSource(const std::vector<uint8_t>& contents) {
    fake::PutFile("source", contents);
    ASSERT_TRUE(OpenSource(channel_, "source"));
  }
  ZipEntry* NewEntry(const char* name) {
    auto* entry = static_cast<ZipEntry*>(AllocateFixedMemory(sizeof(ZipEntry)));
    SetEntryName(entry, name);
    entry->localExtraLength = kLocalExtraLength;
    entry->centralExtraLength = kCentralExtraLength;
    return entry;
  }
  // Lists `count` more entries named `name` for the directory.
  void ListEntries(int count, const char* name) {
    for (int i = 0; i < count; ++i) {
      ZipEntry* entry = NewEntry(name);
      entry->next = entries_;
      entries_ = entry;
    }
  }

  std::vector<uint8_t>& Output() { return fake::Contents("out.zip"); }

  OutputChannel* channel_ = nullptr;
  ZipEntry* entries_ = nullptr;
};

TEST_F(ChannelFaults, ALocalHeaderIsOneWriteAndAFailedOneLeavesNothingAndIsSticky) {
  ZipEntry* entry = NewEntry("a.txt");
  WriteLocalHeader(channel_, entry);
  ASSERT_EQ(ArchiveOk, channel_->errorCode);
  EXPECT_EQ((std::vector<uint32_t>{30 + 5 + 17}), fake::Fake().writeSizes);
  // Its rewrite, failing.
  fake::Fake().faults.failWriteNumber = 2;
  ASSERT_TRUE(SeekOutput(channel_, 0));
  WriteLocalHeader(channel_, entry);
  ReleaseFixedMemory(entry);
  EXPECT_EQ(ArchiveWriteFailed, channel_->errorCode);
  EXPECT_EQ(2u, fake::Fake().writeSizes.size());
  EXPECT_EQ(0u, channel_->outputPosition);
  WriteBytes(channel_, "x", 1);
  EXPECT_EQ(2u, fake::Fake().writeSizes.size());
  EXPECT_EQ(ArchiveWriteFailed, channel_->errorCode);
  EXPECT_EQ(30u + 5 + 17, Output().size());
}

TEST_F(ChannelFaults, AShortWriteCountsAsAFailure) {
  fake::Fake().faults.shortWriteNumber = 1;
  WriteBytes(channel_, "abcdef", 6);
  EXPECT_EQ(ArchiveWriteFailed, channel_->errorCode);
  WriteBytes(channel_, "g", 1);
  EXPECT_EQ(1u, fake::Fake().writeSizes.size());
}

TEST_F(ChannelFaults, AFullDiskStopsTheWrites) {
  fake::Fake().faults.diskCapacity = 100;
  std::vector<uint8_t> block(64, 1);
  WriteBytes(channel_, block.data(), 64);
  EXPECT_EQ(ArchiveOk, channel_->errorCode);
  WriteBytes(channel_, block.data(), 64);
  EXPECT_EQ(ArchiveWriteFailed, channel_->errorCode);
  EXPECT_EQ(100u, Output().size());
}

TEST_F(ChannelFaults, AFailedReadEndsTheInputWithItsOwnCode) {
  UseSource(std::vector<uint8_t>(100, 7));
  channel_->errorCode = ArchiveWriteFailed;
  fake::Fake().faults.failReadNumber = 1;
  uint8_t buffer[100];
  EXPECT_EQ(0u, ReadSource(channel_, buffer, sizeof buffer));
  EXPECT_EQ(ArchiveReadFailed, channel_->errorCode);
  EXPECT_EQ(0u, channel_->bytesRead);
  EXPECT_EQ(0u, channel_->crc32);
}

TEST_F(ChannelFaults, ARepositioningFailureGivesSeekFailed) {
  fake::Fake().faults.failPositionNumber = 1;
  EXPECT_FALSE(SeekOutput(channel_, 0));
  EXPECT_EQ(ArchiveSeekFailed, channel_->errorCode);
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
    CopyStored(channel_);
    EXPECT_EQ(c.writes, fake::Fake().writeSizes) << c.size;
    EXPECT_EQ(c.reads, fake::Fake().readSizes) << c.size;
    EXPECT_EQ(c.size, channel_->compressedSize);
    EXPECT_EQ(c.size, channel_->bytesRead);
    if (c.size == 0) {
      EXPECT_EQ(0u, channel_->crc32);
    }
  }
}

TEST_F(ChannelFaults, CopyStoredStopsAtAReadFailureKeepingWhatWasCopied) {
  UseSource(std::vector<uint8_t>(40000, 0x33));
  fake::Fake().faults.failReadNumber = 2;
  CopyStored(channel_);
  EXPECT_EQ(ArchiveReadFailed, channel_->errorCode);
  EXPECT_EQ(16384u, channel_->compressedSize);
  EXPECT_EQ(16384u, Output().size());
}

TEST_F(ChannelFaults, CopyStoredStopsAtAWriteFailure) {
  UseSource(std::vector<uint8_t>(40000, 0x33));
  fake::Fake().faults.failWriteNumber = 1;
  CopyStored(channel_);
  EXPECT_EQ(ArchiveWriteFailed, channel_->errorCode);
  EXPECT_EQ(1u, fake::Fake().writeSizes.size());
  EXPECT_TRUE(Output().empty());
}

TEST_F(ChannelFaults, ProgressIsToldAfterEveryReadOfStoredAndDeflatedSources) {
  std::vector<uint32_t> told;
  ArchiveOptions options;
  options.readProgressContext = &told;
  options.readProgress = [](void* context, uint32_t bytesRead) {
    static_cast<std::vector<uint32_t>*>(context)->push_back(bytesRead);
    return true;
  };
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("told.zip", &archive, options).code);
  for (const char* name : {"stored.zip", "deflated.txt"}) {
    SCOPED_TRACE(name);
    told.clear();
    fake::PutFile(name, WordText(100000, 3)).readLimit = 7000;
    ASSERT_EQ(ArchiveOk, AddFileToArchive(archive, name, name).code);
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
  EXPECT_EQ(ArchiveOk, CloseArchive(archive).code);
}

// Central headers of 58 bytes: 282 of them fill a buffer to 16356 bytes.
TEST_F(ChannelFaults, TheDirectoryGoesOutInBufferfulsOfWholeRecords) {
  ListEntries(600, "one");
  EXPECT_EQ(600u * 58 + 22, WriteCentralDirectory(channel_, entries_, 0));
  EXPECT_EQ(ArchiveOk, channel_->errorCode);
  EXPECT_EQ((std::vector<uint32_t>{282 * 58, 282 * 58, 36 * 58 + 22}), fake::Fake().writeSizes);
  EXPECT_EQ(600u * 58 + 22, Output().size());
}

TEST_F(ChannelFaults, AFailureInTheDirectoryWritesNothingAfterIt) {
  ListEntries(600, "one");
  // The second bufferful of records fails: the first stays, nothing follows.
  fake::Fake().faults.failWriteNumber = 2;
  WriteCentralDirectory(channel_, entries_, 0);
  EXPECT_EQ(ArchiveWriteFailed, channel_->errorCode);
  EXPECT_EQ(2u, fake::Fake().writeSizes.size());
  EXPECT_EQ(282u * 58, Output().size());
}

TEST_F(ChannelFaults, EntryCountsWrapAbove65535Entries) {
  ListEntries(65537, "e");
  WriteCentralDirectory(channel_, entries_, 0);
  EXPECT_EQ(ArchiveOk, channel_->errorCode);
  const std::vector<uint8_t>& file = Output();
  const uint32_t directorySize = 65537u * (46 + 1 + 9);
  ASSERT_EQ(directorySize + 22, file.size());
  const std::vector<uint8_t> end(file.end() - 22, file.end());
  EXPECT_EQ(Hex("50 4B 05 06  00 00  00 00  01 00  01 00  38 00 38 00  00 00 00 00  00 00"), end);
}

TEST_F(ChannelFaults, WritesStopAtTheLimitWithoutWritingAByteOfTheRefusedOne) {
  channel_->outputLimit = 10;
  WriteBytes(channel_, "abcdefgh", 8);
  WriteBytes(channel_, "AB", 2);
  EXPECT_EQ(ArchiveOk, channel_->errorCode);
  EXPECT_EQ(10u, channel_->outputPosition);
  WriteBytes(channel_, "x", 1);
  EXPECT_EQ(ArchiveTooLarge, channel_->errorCode);
  EXPECT_EQ(10u, Output().size());
  EXPECT_EQ(10u, channel_->outputPosition);
  channel_->errorCode = ArchiveOk;
  ASSERT_TRUE(SeekOutput(channel_, 4));
  EXPECT_EQ(4u, channel_->outputPosition);
  WriteBytes(channel_, "123456", 6);  // overwriting within the limit is fine
  EXPECT_EQ(ArchiveOk, channel_->errorCode);
  EXPECT_EQ(Text("abcd123456"), fake::Contents("out.zip"));
}

// Stands in for a source that has already delivered almost 4 GiB when the
// next read comes: the count of bytes read must not wrap.
void ArriveNear4GiB(OutputChannel* channel, uint32_t bytesShort) {
  fake::Fake().beforeEachRead = [channel, bytesShort] {
    if (channel->bytesRead == 0) channel->bytesRead = static_cast<uint32_t>(kLargestSource - bytesShort);
  };
}

TEST_F(ChannelFaults, ReadingMayReachButNotPass4GiB) {
  UseSource(Text("0123456789"));
  channel_->bytesRead = static_cast<uint32_t>(kLargestSource - 9);
  uint8_t buffer[16];
  EXPECT_EQ(0u, ReadSource(channel_, buffer, sizeof buffer));
  EXPECT_EQ(ArchiveSourceTooLarge, channel_->errorCode);
  EXPECT_EQ(static_cast<uint32_t>(kLargestSource - 9), channel_->bytesRead);
  EXPECT_EQ(0u, channel_->crc32);

  channel_->errorCode = ArchiveOk;
  UseSource(Text("0123456789"));
  channel_->bytesRead = static_cast<uint32_t>(kLargestSource - 10);
  EXPECT_EQ(10u, ReadSource(channel_, buffer, sizeof buffer));
  EXPECT_EQ(ArchiveOk, channel_->errorCode);
  EXPECT_EQ(0xFFFFFFFFu, channel_->bytesRead);
}

// Reads of a stored copy and of the compressor alike stop where the count
// would pass 4 GiB, and reach exactly 4 GiB - 1.
TEST_F(ChannelFaults, SourcesThatGrowTo4GiBWhileReadAreRefusedStoredOrDeflated) {
  EntryCompressors compressors{nullptr, nullptr, 1};
  ZipEntry* entry = NewEntry("zeros");
  for (uint32_t bytesShort : {50000u, 100000u}) {
    for (bool deflated : {false, true}) {
      SCOPED_TRACE(deflated ? "deflated" : "stored");
      UseSource(std::vector<uint8_t>(100000, 0));
      channel_->errorCode = ArchiveOk;
      ArriveNear4GiB(channel_, bytesShort);
      if (deflated) {
        CompressEntry(channel_, &compressors, entry, 0);
      } else {
        CopyStored(channel_);
      }
      if (bytesShort < 100000) {
        EXPECT_EQ(ArchiveSourceTooLarge, channel_->errorCode);
      } else {
        EXPECT_EQ(ArchiveOk, channel_->errorCode);
        EXPECT_EQ(0xFFFFFFFFu, channel_->bytesRead);
      }
    }
  }
  fake::Fake().beforeEachRead = nullptr;
  ReleaseCompressor(compressors.state);
  ReleaseFixedMemory(entry);
}

}  // namespace
