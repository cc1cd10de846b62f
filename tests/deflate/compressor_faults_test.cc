// The compressor when the output or the source fails, and the independence
// of an archive's entries from each other.
#include <gtest/gtest.h>

#include "deflate/compress_entry.h"
#include "tests/support/deflate_decoder.h"
#include "tests/support/deflate_harness.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"
#include "writer/archive.h"

namespace {

std::vector<uint8_t> Sample() { return Bytes({WordText(200000, 3), RandomBytes(70000, 4), WordText(150000, 5)}); }

class CompressorFaults : public FakePlatformTest {
 protected:
  void SetUp() override {
    FakePlatformTest::SetUp();
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out", &archive_));
  }
  void TearDown() override {
    DiscardArchive(archive_);
    FakePlatformTest::TearDown();
  }
  ZipArchive* archive_ = nullptr;
};

TEST_F(CompressorFaults, NothingReachesTheOutputAfterAFailedWrite) {
  // Learn how the entry is written, then fail each of its first writes.
  ZipEntry entry{};
  CompressNextEntry(archive_, Sample(), &entry);
  const size_t writes = fake::Fake().writeSizes.size();
  ASSERT_GT(writes, 4u);
  for (int failing = 1; failing <= 4; ++failing) {
    DiscardArchive(archive_);
    fake::Reset();
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out", &archive_));
    fake::Fake().faults.failWriteNumber = failing;
    CompressNextEntry(archive_, Sample(), &entry);
    EXPECT_EQ(ArchiveWriteFailed, archive_->errorCode);
    EXPECT_EQ(static_cast<size_t>(failing), fake::Fake().writeSizes.size()) << "a write followed the failure";
    size_t before = 0;
    for (int i = 0; i < failing - 1; ++i) before += fake::Fake().writeSizes[static_cast<size_t>(i)];
    EXPECT_EQ(before, fake::Contents("out").size());
  }
}

TEST_F(CompressorFaults, AShortWriteStopsTheEntryToo) {
  fake::Fake().faults.shortWriteNumber = 2;
  ZipEntry entry{};
  CompressNextEntry(archive_, Sample(), &entry);
  EXPECT_EQ(ArchiveWriteFailed, archive_->errorCode);
  EXPECT_EQ(2u, fake::Fake().writeSizes.size());
}

TEST_F(CompressorFaults, AFailedReadLeavesNoFinalBlock) {
  fake::Fake().faults.failReadNumber = 3;
  ZipEntry entry{};
  CompressNextEntry(archive_, Sample(), &entry);
  EXPECT_EQ(ArchiveReadFailed, archive_->errorCode);
  const DecodedStream stream = DecodeDeflate(fake::Contents("out"));
  EXPECT_FALSE(stream.ok);
  for (const DecodedBlock& block : stream.blocks) EXPECT_FALSE(block.final);
}

TEST_F(CompressorFaults, AFailedFirstReadWritesNothing) {
  fake::Fake().faults.failReadNumber = 1;
  ZipEntry entry{};
  CompressNextEntry(archive_, Sample(), &entry);
  EXPECT_EQ(ArchiveReadFailed, archive_->errorCode);
  EXPECT_TRUE(fake::Contents("out").empty());
}

TEST_F(CompressorFaults, WithoutMemoryTheEntryFailsAndTheNextOneTriesAgain) {
  fake::Fake().faults.failAllocationNumber = fake::Fake().calls.allocations + 1;
  ZipEntry entry{};
  CompressNextEntry(archive_, Sample(), &entry);
  EXPECT_EQ(ArchiveNoMemory, archive_->errorCode);
  EXPECT_EQ(nullptr, archive_->deflateState);
  EXPECT_TRUE(fake::Contents("out").empty());
  CompressNextEntry(archive_, Text("hello"), &entry);
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_NE(nullptr, archive_->deflateState);
}

// Every entry's output depends only on its own input, also after entries that
// failed half-way.
TEST_F(CompressorFaults, LaterEntriesCompressAsInAFreshArchive) {
  const std::vector<uint8_t> later = Bytes({WordText(90000, 8), std::vector<uint8_t>(5000, 'q'), WordText(9000, 9)});
  DiscardArchive(archive_);
  const CompressedEntry fresh = CompressBytes(later);
  fake::Reset();
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out", &archive_));

  for (int earlierFault = 0; earlierFault < 3; ++earlierFault) {
    fake::Contents("out").clear();
    SetFilePosition(archive_->output, 0, SeekFromStart);
    fake::Fake().calls = fake::CallCounts();
    if (earlierFault == 1) fake::Fake().faults.failWriteNumber = 2;
    if (earlierFault == 2) fake::Fake().faults.failReadNumber = 4;
    ZipEntry earlier{};
    CompressNextEntry(archive_, Sample(), &earlier);
    fake::Fake().faults = fake::FaultPlan();

    fake::Contents("out").clear();
    SetFilePosition(archive_->output, 0, SeekFromStart);
    ZipEntry entry{};
    CompressNextEntry(archive_, later, &entry);
    EXPECT_EQ(ArchiveOk, archive_->errorCode);
    EXPECT_EQ(fresh.deflated, fake::Contents("out")) << "after earlier entry case " << earlierFault;
    EXPECT_EQ(fresh.compressedSize, archive_->compressedSize);
    EXPECT_EQ(0x0002, entry.gpFlags);
  }
}

}  // namespace
