// Huffman construction on the examples worked out by hand, and the code
// properties every block relies on.
#include "deflate/huffman_tree.h"

#include <gtest/gtest.h>

#include <random>

#include "deflate/block_flush.h"
#include "tests/support/compressor_test.h"
#include "tests/support/deflate_harness.h"

namespace {

class HuffmanTree : public CompressorTest {
 protected:
  // Builds the distance tree from frequencies of codes 0, 1, 2, ...
  void BuildDistanceTree(std::initializer_list<uint16_t> frequencies) {
    uint16_t code = 0;
    for (uint16_t f : frequencies) state_->dynDistTree[code++].freq = f;
    BuildHuffmanTree(state_, &state_->distDesc);
  }
  std::vector<uint32_t> Lengths(const TreeNode* tree, uint32_t count) const {
    std::vector<uint32_t> lengths;
    for (uint32_t n = 0; n < count; ++n) lengths.push_back(tree[n].codeLen);
    return lengths;
  }
  std::vector<uint32_t> Codes(const TreeNode* tree, uint32_t count) const {
    std::vector<uint32_t> codes;
    for (uint32_t n = 0; n < count; ++n) codes.push_back(tree[n].code);
    return codes;
  }
};

// Sum of 2^-length over the used symbols, scaled to 2^15: exactly 2^15 for a
// complete prefix code.
uint32_t KraftSum(const TreeNode* tree, int32_t lastSymbol) {
  uint32_t sum = 0;
  for (int32_t n = 0; n <= lastSymbol; ++n) {
    if (tree[n].codeLen != 0) sum += 1u << (15 - tree[n].codeLen);
  }
  return sum;
}

TEST_F(HuffmanTree, AnUnusedAlphabetGetsTwoFreeOneBitCodes) {
  BuildDistanceTree({});
  EXPECT_EQ(1, state_->distDesc.lastSymbol);
  EXPECT_EQ((std::vector<uint32_t>{1, 1}), Lengths(state_->dynDistTree, 2));
  EXPECT_EQ((std::vector<uint32_t>{0, 1}), Codes(state_->dynDistTree, 2));
  EXPECT_EQ(0u, state_->dynBlockBits);
  EXPECT_EQ(0u, state_->fixedBlockBits);
}

TEST_F(HuffmanTree, ASingleSymbolGetsAPartner) {
  BuildDistanceTree({0, 5});  // symbol 1: its partner is 2
  EXPECT_EQ(2, state_->distDesc.lastSymbol);
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 1}), Lengths(state_->dynDistTree, 3));
  EXPECT_EQ(0u, state_->dynDistTree[1].code);
  EXPECT_EQ(1u, state_->dynDistTree[2].code);
  ResetBlock(state_);
  BuildDistanceTree({0, 0, 0, 0, 0, 0, 0, 9});  // symbol 7: its partner is 0
  EXPECT_EQ(7, state_->distDesc.lastSymbol);
  EXPECT_EQ(1u, state_->dynDistTree[0].codeLen);
  EXPECT_EQ(1u, state_->dynDistTree[7].codeLen);
  EXPECT_EQ(0u, state_->dynDistTree[0].code);
  EXPECT_EQ(1u, state_->dynDistTree[7].code);
  // Only the real symbol costs anything: nine 1-bit codes, each followed by
  // the 2 extra bits of distance code 7.
  EXPECT_EQ(9u * (1 + 2), state_->dynBlockBits);
}

TEST_F(HuffmanTree, TiesGoToTheShallowerSubtree) {
  BuildDistanceTree({3, 1, 1, 1});
  EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 3}), Lengths(state_->dynDistTree, 4));
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 3, 7}), Codes(state_->dynDistTree, 4));
  EXPECT_EQ(11u, state_->dynBlockBits);
  EXPECT_EQ(30u, state_->fixedBlockBits);
}

// Here the orders differ: after a and b merge, three nodes of weight 2
// remain; taking the two leaves first gives four 2-bit codes, taking the
// merged node first would give 3, 3, 2, 1.
TEST_F(HuffmanTree, OfEqualWeightsTheShallowerMergeFirst) {
  BuildDistanceTree({1, 1, 2, 2});
  EXPECT_EQ((std::vector<uint32_t>{2, 2, 2, 2}), Lengths(state_->dynDistTree, 4));
}

TEST_F(HuffmanTree, EqualFrequenciesGiveEqualLengthsAndReversedCodes) {
  BuildDistanceTree({4, 4, 4, 4});
  EXPECT_EQ((std::vector<uint32_t>{2, 2, 2, 2}), Lengths(state_->dynDistTree, 4));
  EXPECT_EQ((std::vector<uint32_t>{0, 2, 1, 3}), Codes(state_->dynDistTree, 4));
}

TEST_F(HuffmanTree, OverlongCodesAreRepairedIntoACompleteCode) {
  const uint16_t fibonacci[] = {1, 1, 2, 3, 5, 8, 13, 21, 34, 55};
  for (uint16_t n = 0; n < 10; ++n) state_->codeLenTree[n].freq = fibonacci[n];
  BuildHuffmanTree(state_, &state_->codeLenDesc);
  EXPECT_EQ((std::vector<uint32_t>{7, 7, 7, 7, 6, 6, 4, 3, 2, 1}), Lengths(state_->codeLenTree, 10));
  EXPECT_EQ((std::vector<uint16_t>{1, 1, 1, 1, 0, 2, 4}),
            std::vector<uint16_t>(state_->bitLengthCount + 1, state_->bitLengthCount + 8));
  EXPECT_EQ(1u << 15, KraftSum(state_->codeLenTree, 9));
  // The size counts the repaired lengths: sum of frequency times length.
  uint32_t expectedBits = 0;
  for (uint16_t n = 0; n < 10; ++n) expectedBits += fibonacci[n] * state_->codeLenTree[n].codeLen;
  EXPECT_EQ(expectedBits, state_->dynBlockBits);
}

TEST_F(HuffmanTree, SkewedLiteralCodesStayWithin15BitsAndComplete) {
  std::mt19937 generator(15);
  for (int round = 0; round < 200; ++round) {
    ResetBlock(state_);
    // Frequencies spread over many orders of magnitude force long codes.
    uint32_t total = 1;
    for (uint32_t n = 0; n < 286 && total < 30000; ++n) {
      if (generator() % 3 == 0) continue;
      const uint16_t f = static_cast<uint16_t>(1u << (generator() % 12));
      state_->dynLitTree[n].freq = static_cast<uint16_t>(state_->dynLitTree[n].freq + f);
      total += f;
    }
    BuildHuffmanTree(state_, &state_->litDesc);
    const int32_t last = state_->litDesc.lastSymbol;
    for (int32_t n = 0; n <= last; ++n) ASSERT_LE(state_->dynLitTree[n].codeLen, 15u);
    ASSERT_EQ(1u << 15, KraftSum(state_->dynLitTree, last)) << "round " << round;
  }
}

TEST(ReverseBits, ReversesTheLowBits) {
  EXPECT_EQ(0x1u, ReverseBits(0x1, 1));
  EXPECT_EQ(0x4u, ReverseBits(0x1, 3));
  EXPECT_EQ(0x6000u, ReverseBits(0x3, 15));
  EXPECT_EQ(0x13u, ReverseBits(0x19, 5));
}

TEST_F(HuffmanTree, TheCodeMapsFollowTheDeflateTables) {
  // Length 258 has its own code (285) rather than 284 with five extra bits.
  EXPECT_EQ(28u, state_->lengthCode[258 - 3]);
  EXPECT_EQ(27u, state_->lengthCode[257 - 3]);
  EXPECT_EQ(30, (257 - 3) - state_->baseLength[27]);
  EXPECT_EQ(0u, state_->lengthCode[0]);
  EXPECT_EQ(8u, state_->lengthCode[11 - 3]);
  for (uint32_t d = 0; d < 4; ++d) EXPECT_EQ(d, state_->distCode[d]);
  EXPECT_EQ(16u, state_->distCode[256 + ((257 - 1) >> 7)]);
  EXPECT_EQ(29u, state_->distCode[256 + ((32506 - 1) >> 7)]);
  EXPECT_EQ(24576, state_->baseDist[29]);
  // The fixed codes of the format: literal 0 is 00110000, end of block 0000000.
  EXPECT_EQ(8u, state_->fixedLitTree[0].codeLen);
  EXPECT_EQ(ReverseBits(0x30, 8), state_->fixedLitTree[0].code);
  EXPECT_EQ(7u, state_->fixedLitTree[256].codeLen);
  EXPECT_EQ(9u, state_->fixedLitTree[255].codeLen);
  EXPECT_EQ(ReverseBits(0x1FF, 9), state_->fixedLitTree[255].code);
  EXPECT_EQ(ReverseBits(3, 5), state_->fixedDistTree[3].code);
}

}  // namespace
