// The output channel against real files.
#include "writer/output_channel.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/support/archive_fixture.h"
#include "tests/support/test_files.h"
#include "writer/archive.h"

namespace {

class OutputChannel : public ::testing::Test {
 protected:
  void SetUp() override {
    outputPath_ = dir_.File("out.zip");
    archive_ = NewArchiveOn(outputPath_);
    ASSERT_NE(nullptr, archive_);
  }
  void TearDown() override { CloseArchive(archive_); }
  // What reached the file so far. Windows lets nobody read the output while
  // it is open, so this ends the writing.
  std::vector<uint8_t> Output() {
    CloseFile(archive_->output);
    archive_->output = kNoFile;
    return ReadWholeFile(outputPath_);
  }

  TempDir dir_;
  std::string outputPath_;
  ZipArchive* archive_ = nullptr;
};

TEST_F(OutputChannel, WritesBlocksAsTheyAre) {
  const uint8_t block[] = {0x78, 0x56, 'P', 'K'};
  WriteBytes(archive_, block, 4);
  WriteBytes(archive_, block + 2, 2);
  WriteBytes(archive_, block, 0);
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_EQ(6u, archive_->outputPosition);
  EXPECT_EQ((std::vector<uint8_t>{0x78, 0x56, 'P', 'K', 'P', 'K'}), Output());
}

TEST_F(OutputChannel, SeekRewritesInPlace) {
  const uint8_t zeros[4] = {0, 0, 0, 0};
  const uint8_t ones[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  const uint8_t patch[2] = {0xAA, 0xBB};
  WriteBytes(archive_, zeros, 4);
  WriteBytes(archive_, ones, 4);
  ASSERT_TRUE(SeekOutput(archive_, 1));
  WriteBytes(archive_, patch, 2);
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_EQ((std::vector<uint8_t>{0, 0xAA, 0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF}), Output());
}

TEST_F(OutputChannel, SeekOnAnUnseekableOutputFailsWithoutTouchingTheFile) {
  const uint8_t field[4] = {4, 3, 2, 1};
  WriteBytes(archive_, field, 4);
  archive_->flags &= ~static_cast<uint32_t>(OutputSeekable);
  EXPECT_FALSE(SeekOutput(archive_, 0));
  EXPECT_EQ(ArchiveSeekFailed, archive_->errorCode);
  EXPECT_EQ(4u, SetFilePosition(archive_->output, 0, SeekFromCurrent));
  EXPECT_EQ((std::vector<uint8_t>{4, 3, 2, 1}), Output());
}

TEST_F(OutputChannel, SeekBeyond2GiBFails) {
  EXPECT_FALSE(SeekOutput(archive_, 0x80000000u));
  EXPECT_EQ(ArchiveSeekFailed, archive_->errorCode);
}

TEST_F(OutputChannel, CopyStoredCopiesTheSourceWithItsCrcAndCounts) {
  for (size_t size : {0u, 1u, 16384u, 16385u, 100000u}) {
    const std::string sourcePath = dir_.File("source-" + std::to_string(size));
    const std::vector<uint8_t> contents = RandomBytes(size, static_cast<uint32_t>(size) + 5);
    WriteWholeFile(sourcePath, contents);
    ASSERT_TRUE(SetFilePosition(archive_->output, 0, SeekFromStart) == 0);
    ASSERT_TRUE(TruncateFileHere(archive_->output));
    archive_->bytesRead = archive_->crc32 = archive_->compressedSize = 0;
    ASSERT_TRUE(OpenSource(archive_, sourcePath));

    CopyStored(archive_);

    CloseFile(archive_->source);
    archive_->flags &= ~static_cast<uint32_t>(OwnsSource);
    EXPECT_EQ(ArchiveOk, archive_->errorCode);
    EXPECT_EQ(size, archive_->bytesRead);
    EXPECT_EQ(size, archive_->compressedSize);
    EXPECT_EQ(crc32(0, contents.data(), static_cast<uInt>(size)), archive_->crc32) << size;
    uint64_t written = 0;
    ASSERT_TRUE(QueryFileSize(archive_->output, &written));
    EXPECT_EQ(size, written);
  }
  EXPECT_EQ(RandomBytes(100000, 100005), Output());
}

}  // namespace
