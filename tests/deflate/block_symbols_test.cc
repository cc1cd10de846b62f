// Recording literals and matches for a block: the flag bits, the counts
// under each code, and when a block is full or ends early.
#include "deflate/block_symbols.h"

#include <gtest/gtest.h>

#include "deflate/block_flush.h"
#include "tests/support/compressor_test.h"
#include "tests/support/deflate_harness.h"

namespace {

using BlockSymbols = CompressorTest;

TEST_F(BlockSymbols, SymbolsSetOneFlagBitEach) {
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

TEST_F(BlockSymbols, ABlockIsFullOneSymbolShortOfTheBuffer) {
  // Literals only: the early-end estimate equals the input, so it never fires.
  state_->blockBegin = 0;
  for (uint32_t i = 1; i < 32767; ++i) {
    state_->curPos = i;
    ASSERT_FALSE(RecordLiteral(state_, i & 0xFF)) << i;
  }
  state_->curPos = 32767;
  EXPECT_TRUE(RecordLiteral(state_, 0));
}

TEST_F(BlockSymbols, PoorlyCompressingBlocksEndEarly) {
  // 4096 literals for 10000 bytes of input: fewer matches than half the
  // symbols, and an estimate under half the input.
  state_->blockBegin = 0;
  state_->curPos = 10000;
  for (uint32_t i = 1; i < 4096; ++i) ASSERT_FALSE(RecordLiteral(state_, 'x'));
  EXPECT_TRUE(RecordLiteral(state_, 'x'));
}

}  // namespace
