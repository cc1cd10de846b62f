// The block sizes the compressor computes are the bits its encoders write,
// and the block type it chooses is the smallest by those sizes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "deflate/bit_writer.h"
#include "deflate/block_encoding.h"
#include "deflate/block_flush.h"
#include "deflate/block_symbols.h"
#include "deflate/huffman_tree.h"
#include "tests/support/compressor_test.h"
#include "tests/support/deflate_decoder.h"
#include "tests/support/test_data.h"

namespace {

uint32_t Next(std::mt19937& generator) { return static_cast<uint32_t>(generator()); }

class BlockAccounting : public CompressorTest {
 protected:
  // Starts an empty output and an empty block.
  void StartBlock() { StartOutput(); }

  // Records a random block: some rounds nearly all literals, some nearly all
  // matches, from skewed distributions so that codes of many lengths occur.
  std::vector<DecodedSymbol> RecordRandomBlock(std::mt19937& generator) {
    const uint32_t sizes[] = {0, 1, 2, 5, 40, 300, 3000, 20000, 32766};
    const uint32_t size = sizes[Next(generator) % 9];
    const uint32_t count = size > 0 ? size - Next(generator) % 2 : 0;
    const uint32_t matchPercent = Next(generator) % 101;
    std::geometric_distribution<uint32_t> skew(0.05 + 0.03 * static_cast<double>(Next(generator) % 10));
    state_->blockBegin = 0;
    state_->curPos = 0;  // keeps the early-end estimate quiet
    std::vector<DecodedSymbol> symbols;
    for (uint32_t i = 0; i < count; ++i) {
      if (Next(generator) % 100 < matchPercent) {
        const uint32_t length = 3 + std::min<uint32_t>(skew(generator), 255);
        const uint32_t distance = 1 + std::min<uint32_t>(skew(generator) * 97 + Next(generator) % 7, 32505);
        RecordMatch(state_, distance, length);
        symbols.push_back(Match(distance, length));
      } else {
        const uint32_t byte = std::min<uint32_t>(skew(generator), 255);
        RecordLiteral(state_, byte);
        symbols.push_back(Literal(byte));
      }
    }
    return symbols;
  }

  // Bits written since StartBlock, pending ones included.
  uint64_t BitsWritten() const {
    return (Output().size() + state_->outLen) * 8 + static_cast<uint32_t>(state_->bitCount);
  }

  std::vector<DecodedSymbol> DecodeSingleBlock(uint32_t* type) {
    EndDeflateData(state_);
    const DecodedStream stream = DecodeDeflate(Output(), true);
    EXPECT_TRUE(stream.ok) << stream.error;
    if (!stream.ok || stream.blocks.size() != 1) return {};
    *type = stream.blocks[0].type;
    return stream.blocks[0].symbols;
  }
};

TEST_F(BlockAccounting, DynamicAndFixedSizesAreTheBitsWritten) {
  std::mt19937 generator(2024);
  for (int round = 0; round < 120; ++round) {
    StartBlock();
    const std::vector<DecodedSymbol> symbols = RecordRandomBlock(generator);
    state_->flagBuf[state_->flagCount] = state_->pendingFlags;
    BuildHuffmanTree(state_, &state_->litDesc);
    BuildHuffmanTree(state_, &state_->distDesc);
    const int32_t lastCodeLenIndex = BuildCodeLenTree(state_);
    const uint32_t dynamicBits = state_->dynBlockBits;
    const uint32_t fixedBits = state_->fixedBlockBits;

    EmitBits(state_, 5, 3);  // final, dynamic
    const uint64_t afterHeader = BitsWritten();
    ASSERT_TRUE(EmitTreeHeader(state_, static_cast<uint32_t>(state_->litDesc.lastSymbol) + 1,
                               static_cast<uint32_t>(state_->distDesc.lastSymbol) + 1,
                               static_cast<uint32_t>(lastCodeLenIndex) + 1));
    EmitBlockSymbols(state_, state_->dynLitTree, state_->dynDistTree);
    EXPECT_EQ(dynamicBits, BitsWritten() - afterHeader) << "round " << round;
    uint32_t type = 9;
    EXPECT_EQ(symbols, DecodeSingleBlock(&type)) << "round " << round;
    EXPECT_EQ(2u, type);

    stream_.output.clear();
    EmitBits(state_, 3, 3);  // final, fixed
    EmitBlockSymbols(state_, state_->fixedLitTree, state_->fixedDistTree);
    EXPECT_EQ(fixedBits, BitsWritten() - 3) << "round " << round;
    EXPECT_EQ(symbols, DecodeSingleBlock(&type)) << "round " << round;
    EXPECT_EQ(1u, type);
  }
}

// The sizes a block would get, from a copy of the state, so that the block
// itself can still be emitted (building trees changes the frequencies).
struct BlockSizes {
  uint32_t dynamicBytes;
  uint32_t fixedBytes;
};

BlockSizes SizesOf(const DeflateState* state) {
  auto copy = std::make_unique<DeflateState>();
  memcpy(static_cast<void*>(copy.get()), state, sizeof(DeflateState));
  copy->litDesc.tree = copy->dynLitTree;
  copy->litDesc.staticTree = copy->fixedLitTree;
  copy->distDesc.tree = copy->dynDistTree;
  copy->distDesc.staticTree = copy->fixedDistTree;
  copy->codeLenDesc.tree = copy->codeLenTree;
  BuildHuffmanTree(copy.get(), &copy->litDesc);
  BuildHuffmanTree(copy.get(), &copy->distDesc);
  BuildCodeLenTree(copy.get());
  return BlockSizes{(copy->dynBlockBits + 3 + 7) / 8, (copy->fixedBlockBits + 3 + 7) / 8};
}

TEST_F(BlockAccounting, EachBlockTakesTheSmallestTypeAndCountsItsBytes) {
  std::mt19937 generator(7);
  int stored = 0;
  int ties = 0;
  for (int round = 0; round < 300; ++round) {
    StartBlock();
    const std::vector<DecodedSymbol> symbols = RecordRandomBlock(generator);
    state_->flagBuf[state_->flagCount] = state_->pendingFlags;
    const BlockSizes sizes = SizesOf(state_);
    const uint32_t best = std::min(sizes.dynamicBytes, sizes.fixedBytes);
    if (sizes.dynamicBytes == sizes.fixedBytes) ++ties;
    // Input lengths around the stored size, and sometimes no input at all.
    const uint32_t choice = static_cast<uint32_t>(round % 4);
    const bool withInput = choice != 3;
    const uint32_t length = best >= 4 && choice < 2 ? best - 4 + choice : best + 100;
    if (length > 65535) continue;
    // One spare byte keeps data() a real pointer also for an empty input.
    std::vector<uint8_t> input = RandomBytes(length + 1, static_cast<uint32_t>(round));

    EmitBlock(state_, withInput ? input.data() : nullptr, length, true);
    input.pop_back();

    ASSERT_EQ(DeflateDone, state_->stopped);
    const std::vector<uint8_t>& output = Output();
    EXPECT_EQ(output.size(), stream_.Stream()->outputSize) << "round " << round;
    const DecodedStream stream = DecodeDeflate(output, true);
    ASSERT_TRUE(stream.ok) << stream.error;
    ASSERT_EQ(1u, stream.blocks.size());
    const uint32_t expectedType = withInput && length + 4 <= best ? 0 : sizes.fixedBytes <= sizes.dynamicBytes ? 1 : 2;
    EXPECT_EQ(expectedType, stream.blocks[0].type) << "round " << round;
    if (expectedType == 0) {
      ++stored;
      EXPECT_EQ(input, stream.output);
    } else {
      EXPECT_EQ(symbols, stream.blocks[0].symbols);
    }
  }
  // The rounds must reach the interesting edges to prove anything.
  EXPECT_GT(stored, 20);
  EXPECT_GT(ties, 0);
}

}  // namespace
