// The output channel against real files.
#include "writer/output_channel.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/support/channel_fixture.h"
#include "tests/support/test_files.h"

namespace {

class ChannelOnFile : public ::testing::Test {
 protected:
  void SetUp() override {
    outputPath_ = dir_.File("out.zip");
    channel_ = NewChannelOn(outputPath_);
    ASSERT_NE(nullptr, channel_);
  }
  void TearDown() override { ReleaseChannel(channel_); }
  // What reached the file so far. Windows lets nobody read the output while
  // it is open, so this ends the writing.
  std::vector<uint8_t> Output() {
    CloseFile(channel_->output);
    channel_->output = kNoFile;
    return ReadWholeFile(outputPath_);
  }

  TempDir dir_;
  std::string outputPath_;
  OutputChannel* channel_ = nullptr;
};

TEST_F(ChannelOnFile, WritesBlocksAsTheyAre) {
  const uint8_t block[] = {0x78, 0x56, 'P', 'K'};
  WriteBytes(channel_, block, 4);
  WriteBytes(channel_, block + 2, 2);
  WriteBytes(channel_, block, 0);
  EXPECT_EQ(ArchiveOk, channel_->errorCode);
  EXPECT_EQ(6u, channel_->outputPosition);
  EXPECT_EQ((std::vector<uint8_t>{0x78, 0x56, 'P', 'K', 'P', 'K'}), Output());
}

TEST_F(ChannelOnFile, SeekRewritesInPlace) {
  const uint8_t zeros[4] = {0, 0, 0, 0};
  const uint8_t ones[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  const uint8_t patch[2] = {0xAA, 0xBB};
  WriteBytes(channel_, zeros, 4);
  WriteBytes(channel_, ones, 4);
  ASSERT_TRUE(SeekOutput(channel_, 1));
  WriteBytes(channel_, patch, 2);
  EXPECT_EQ(ArchiveOk, channel_->errorCode);
  EXPECT_EQ((std::vector<uint8_t>{0, 0xAA, 0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF}), Output());
}

TEST_F(ChannelOnFile, SeekOnAnUnseekableOutputFailsWithoutTouchingTheFile) {
  const uint8_t field[4] = {4, 3, 2, 1};
  WriteBytes(channel_, field, 4);
  channel_->outputSeekable = false;
  EXPECT_FALSE(SeekOutput(channel_, 0));
  EXPECT_EQ(ArchiveSeekFailed, channel_->errorCode);
  EXPECT_EQ(4u, SetFilePosition(channel_->output, 0, SeekFromCurrent));
  EXPECT_EQ((std::vector<uint8_t>{4, 3, 2, 1}), Output());
}

TEST_F(ChannelOnFile, SeekBeyond2GiBFails) {
  EXPECT_FALSE(SeekOutput(channel_, 0x80000000u));
  EXPECT_EQ(ArchiveSeekFailed, channel_->errorCode);
}

TEST_F(ChannelOnFile, CopyStoredCopiesTheSourceWithItsCrcAndCounts) {
  for (size_t size : {0u, 1u, 16384u, 16385u, 100000u}) {
    const std::string sourcePath = dir_.File("source-" + std::to_string(size));
    const std::vector<uint8_t> contents = RandomBytes(size, static_cast<uint32_t>(size) + 5);
    WriteWholeFile(sourcePath, contents);
    ASSERT_TRUE(SetFilePosition(channel_->output, 0, SeekFromStart) == 0);
    ASSERT_TRUE(TruncateFileHere(channel_->output));
    ASSERT_TRUE(OpenSource(channel_, sourcePath));

    CopyStored(channel_);

    EXPECT_EQ(ArchiveOk, channel_->errorCode);
    EXPECT_EQ(size, channel_->bytesRead);
    EXPECT_EQ(size, channel_->compressedSize);
    EXPECT_EQ(crc32(0, contents.data(), static_cast<uInt>(size)), channel_->crc32) << size;
    uint64_t written = 0;
    ASSERT_TRUE(QueryFileSize(channel_->output, &written));
    EXPECT_EQ(size, written);
  }
  EXPECT_EQ(RandomBytes(100000, 100005), Output());
}

}  // namespace
