// Whole inputs compressed and inflated again by zlib, an independent
// decoder.
#include <gtest/gtest.h>

#include <set>

#include "tests/support/deflate_decoder.h"
#include "tests/support/deflate_harness.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"

namespace {

using RoundTrip = FakePlatformTest;

TEST_F(RoundTrip, EmptyInputIsOneFinalFixedBlock) {
  const CompressedBytes entry = CompressBytes({});
  EXPECT_EQ(DeflateDone, entry.result);
  EXPECT_EQ((std::vector<uint8_t>{0x03, 0x00}), entry.deflated);
  EXPECT_EQ(2u, entry.outputSize);
  EXPECT_EQ(0u, entry.inputSize);
}

TEST_F(RoundTrip, RandomBytesOfManySizes) {
  for (size_t size :
       {1u, 2u, 3u, 100u, 261u, 262u, 4096u, 32767u, 32768u, 32769u, 65535u, 65536u, 65537u, 200000u, 1u << 20}) {
    const std::vector<uint8_t> input = RandomBytes(size, static_cast<uint32_t>(size));
    const CompressedBytes entry = CompressBytes(input);
    ASSERT_EQ(DeflateDone, entry.result) << size;
    EXPECT_EQ(entry.deflated.size(), entry.outputSize) << size;
    EXPECT_EQ(input, Inflate(entry.deflated)) << size;
  }
}

TEST_F(RoundTrip, TextRunsAndMixtures) {
  std::vector<std::vector<uint8_t>> inputs;
  inputs.push_back(WordText(3 << 20, 1));
  inputs.push_back(std::vector<uint8_t>(1 << 20, 'a'));
  std::vector<uint8_t> mixed;
  for (size_t i = 0; i < 40; ++i) {
    const std::vector<uint8_t> text = WordText(20000 + i * 997, static_cast<uint32_t>(i));
    const std::vector<uint8_t> noise = RandomBytes(15000 + i * 331, static_cast<uint32_t>(i));
    mixed.insert(mixed.end(), text.begin(), text.end());
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    mixed.insert(mixed.end(), i * 300, static_cast<uint8_t>(i));
  }
  inputs.push_back(mixed);
  for (const auto& input : inputs) {
    const CompressedBytes entry = CompressBytes(input);
    ASSERT_EQ(DeflateDone, entry.result);
    EXPECT_EQ(entry.deflated.size(), entry.outputSize);
    EXPECT_EQ(input, Inflate(entry.deflated));
    EXPECT_EQ(input.size(), entry.inputSize);
  }
}

TEST_F(RoundTrip, EveryBlockTypeOccursAndDecodes) {
  auto blocksOf = [](const std::vector<uint8_t>& input) {
    const CompressedBytes entry = CompressBytes(input);
    const DecodedStream stream = DecodeDeflate(entry.deflated);
    EXPECT_TRUE(stream.ok) << stream.error;
    EXPECT_EQ(input, stream.output);
    return stream.blocks;
  };
  auto typesOf = [](const std::vector<DecodedBlock>& blocks) {
    std::set<uint32_t> types;
    for (const DecodedBlock& block : blocks) types.insert(block.type);
    return types;
  };
  EXPECT_EQ((std::set<uint32_t>{0}), typesOf(blocksOf(RandomBytes(200000, 21))));
  EXPECT_EQ((std::set<uint32_t>{1}), typesOf(blocksOf(Text("a"))));
  // Text blocks cover more input than the window holds: their beginning has
  // slid out before they end.
  const std::vector<DecodedBlock> text = blocksOf(WordText(1 << 20, 22));
  EXPECT_EQ((std::set<uint32_t>{2}), typesOf(text));
  size_t slidOut = 0;
  for (const DecodedBlock& block : text) slidOut += block.outputBytes > 65536 ? 1 : 0;
  EXPECT_GT(slidOut, 0u);
}

TEST_F(RoundTrip, CompressingAllocatesNothing) {
  DeflateState* compressor = CreateCompressor();
  ASSERT_NE(nullptr, compressor);
  const int allocations = fake::Fake().calls.allocations;
  MemoryStream text(WordText(300000, 23));
  EXPECT_EQ(DeflateDone, CompressStream(compressor, text.Stream()));
  MemoryStream noise(RandomBytes(100000, 24));
  EXPECT_EQ(DeflateDone, CompressStream(compressor, noise.Stream()));
  EXPECT_EQ(allocations, fake::Fake().calls.allocations);
  ReleaseCompressor(compressor);
}

}  // namespace
