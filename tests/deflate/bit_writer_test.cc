// The bit writer and stored blocks, on the examples worked out by hand.
#include "deflate/bit_writer.h"

#include <gtest/gtest.h>

#include "deflate/block_flush.h"
#include "tests/support/compressor_test.h"
#include "tests/support/test_data.h"

namespace {

using BitWriter = CompressorTest;

TEST_F(BitWriter, PacksFieldsLeastSignificantBitFirst) {
  EmitBits(state_, 1, 1);
  EmitBits(state_, 2, 2);
  EndDeflateData(state_);
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
  EndDeflateData(state_);
  EXPECT_EQ(Hex("4B 04 00"), Output());
}

TEST_F(BitWriter, StoredBlocksCarryLengthAndComplement) {
  const std::vector<uint8_t> data = RandomBytes(0x1234, 3);
  WriteStoredBlock(state_, data.data(), 0x1234);
  FlushOutBuf(state_);
  EXPECT_EQ(Bytes({Hex("34 12 CB ED"), data}), Output());
  StartOutput();
  WriteStoredBlock(state_, data.data(), 0);
  FlushOutBuf(state_);
  EXPECT_EQ(Hex("00 00 FF FF"), Output());
}

TEST_F(BitWriter, AStoredBlockJoinsTheBufferWhenItFitsAndGoesOutFromItsPlaceWhenNot) {
  const std::vector<uint8_t> data = RandomBytes(20000, 4);
  const std::vector<uint32_t>& writes = stream_.writeSizes;
  WriteStoredBlock(state_, data.data(), 100);
  EXPECT_TRUE(writes.empty());
  EXPECT_EQ(104u, state_->outLen);
  WriteStoredBlock(state_, data.data(), 20000);
  EXPECT_EQ((std::vector<uint32_t>{108, 20000}), writes);
  const std::vector<uint8_t> head(data.begin(), data.begin() + 100);
  EXPECT_EQ(Bytes({Hex("64 00 9B FF"), head, Hex("20 4E DF B1"), data}), Output());
}

TEST_F(BitWriter, AnEmptyFinalFixedBlock) {
  EmitBlock(state_, nullptr, 0, true);
  EXPECT_EQ(Hex("03 00"), Output());
  EXPECT_EQ(2u, stream_.Stream()->outputSize);
  EXPECT_TRUE(stream_.lastSeen);
}

}  // namespace
