// The bit writer, stored blocks and the symbol buffers, on the examples
// worked out by hand.
#include "deflate/bit_writer.h"

#include <gtest/gtest.h>

#include "deflate/block_flush.h"
#include "deflate/block_symbols.h"
#include "tests/support/deflate_harness.h"
#include "tests/support/fake_platform.h"
#include "tests/support/test_data.h"

namespace {

class BitWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    archive_ = ArchiveWithCompressor();
    state_ = archive_->deflateState;
    PrepareTables(state_);
    ResetBlock(state_);
  }
  void TearDown() override { DiscardArchive(archive_); }
  const std::vector<uint8_t>& Output() { return fake::Contents("out"); }

  ZipArchive* archive_ = nullptr;
  DeflateState* state_ = nullptr;
};

TEST_F(BitWriter, PacksFieldsLeastSignificantBitFirst) {
  EmitBits(state_, 1, 1);
  EmitBits(state_, 2, 2);
  AlignToByte(state_);
  EXPECT_EQ(Hex("05"), Output());
  EXPECT_EQ(0, state_->bitCount);
  EXPECT_EQ(0u, state_->outLen);
}

TEST_F(BitWriter, KeepsSixteenBitsPendingAndWritesTwoBytesAtATime) {
  EmitBits(state_, 0xABCD, 16);
  EXPECT_EQ(16, state_->bitCount);
  EXPECT_EQ(0u, state_->outLen);
  EmitBits(state_, 1, 1);
  EXPECT_EQ(2u, state_->outLen);
  EXPECT_EQ(0xCD, state_->outBuf[0]);
  EXPECT_EQ(0xAB, state_->outBuf[1]);
  EXPECT_EQ(1, state_->bitCount);
  EXPECT_EQ(1u, state_->bitBuf);
}

TEST_F(BitWriter, HandsTheBufferOverWhenFewerThanTwoBytesAreFree) {
  for (uint32_t i = 0; i < 8191; ++i) EmitBits(state_, 0xBEEF, 16);
  EXPECT_TRUE(Output().empty());
  EmitBits(state_, 0x1234, 16);  // 8191 pairs written; 16 bits pending
  EmitBits(state_, 0x5678, 16);  // two free bytes still take this pair
  EXPECT_TRUE(Output().empty());
  EXPECT_EQ(16384u, state_->outLen);
  EmitBits(state_, 0x9ABC, 16);
  EXPECT_EQ(16384u, Output().size());
  EXPECT_EQ(2u, state_->outLen);
}

TEST_F(BitWriter, AFinalFixedBlockWithOneLiteral) {
  EmitBits(state_, 3, 3);  // final, fixed codes
  EmitCode(state_, state_->fixedLitTree, 0x61);
  EmitCode(state_, state_->fixedLitTree, 256);
  AlignToByte(state_);
  EXPECT_EQ(Hex("4B 04 00"), Output());
}

TEST_F(BitWriter, StoredBlocksCarryLengthAndComplement) {
  const std::vector<uint8_t> data = RandomBytes(0x1234, 3);
  WriteStoredBlock(state_, data.data(), 0x1234);
  EXPECT_EQ(Bytes({Hex("34 12 CB ED"), data}), Output());
  fake::Contents("out").clear();
  SetFilePosition(archive_->output, 0, SeekFromStart);
  WriteStoredBlock(state_, data.data(), 0);
  EXPECT_EQ(Hex("00 00 FF FF"), Output());
}

TEST_F(BitWriter, SymbolsSetOneFlagBitEach) {
  state_->curPos = 100;
  RecordLiteral(state_, 'a');
  RecordMatch(state_, 1, 3);
  RecordLiteral(state_, 'b');
  EXPECT_EQ(0x02, state_->pendingFlags);
  EXPECT_EQ(0x08, state_->flagMask);
  EXPECT_EQ(0u, state_->flagCount);
  for (int i = 0; i < 4; ++i) RecordLiteral(state_, 'c');
  RecordMatch(state_, 300, 10);
  EXPECT_EQ(1u, state_->flagCount);
  EXPECT_EQ(0x82, state_->flagBuf[0]);
  EXPECT_EQ(0x00, state_->pendingFlags);
  EXPECT_EQ(0x01, state_->flagMask);
  // Distances are kept less one, and counted under their codes.
  EXPECT_EQ(0u, state_->distBuf[0]);
  EXPECT_EQ(299u, state_->distBuf[1]);
  EXPECT_EQ(1u, state_->dynDistTree[0].freq);
  EXPECT_EQ(1u, state_->dynDistTree[state_->distCode[256 + (299 >> 7)]].freq);
  EXPECT_EQ(1u, state_->dynLitTree[257].freq);  // length 3
}

TEST_F(BitWriter, ABlockIsFullOneSymbolShortOfTheBuffer) {
  // Literals only: the early-end estimate equals the input, so it never fires.
  state_->blockBegin = 0;
  for (uint32_t i = 1; i < 32767; ++i) {
    state_->curPos = i;
    ASSERT_FALSE(RecordLiteral(state_, i & 0xFF)) << i;
  }
  state_->curPos = 32767;
  EXPECT_TRUE(RecordLiteral(state_, 0));
}

TEST_F(BitWriter, PoorlyCompressingBlocksEndEarly) {
  // 4096 literals for 10000 bytes of input: fewer matches than half the
  // symbols, and an estimate under half the input.
  state_->blockBegin = 0;
  state_->curPos = 10000;
  for (uint32_t i = 1; i < 4096; ++i) ASSERT_FALSE(RecordLiteral(state_, 'x'));
  EXPECT_TRUE(RecordLiteral(state_, 'x'));
}

TEST_F(BitWriter, AnEmptyFinalFixedBlock) {
  EmitBlock(state_, nullptr, 0, true);
  EXPECT_EQ(Hex("03 00"), Output());
  EXPECT_EQ(2u, archive_->compressedSize);
}

}  // namespace
