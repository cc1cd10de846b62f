// Whole entries compressed and inflated again by zlib, an independent
// decoder.
#include <gtest/gtest.h>

#include "tests/support/deflate_harness.h"
#include "tests/support/test_data.h"

namespace {

TEST(RoundTrip, EmptyInputIsOneFinalFixedBlock) {
  const CompressedEntry entry = CompressBytes({});
  EXPECT_EQ(0, entry.errorCode);
  EXPECT_EQ((std::vector<uint8_t>{0x03, 0x00}), entry.deflated);
  EXPECT_EQ(2u, entry.compressedSize);
  EXPECT_EQ(0u, entry.crc32);
  EXPECT_EQ(0u, entry.bytesRead);
}

TEST(RoundTrip, RandomBytesOfManySizes) {
  for (size_t size : {1u, 2u, 3u, 100u, 261u, 262u, 4096u, 32767u, 32768u, 32769u, 65535u, 65536u, 65537u,
                      200000u}) {
    const std::vector<uint8_t> input = RandomBytes(size, static_cast<uint32_t>(size));
    const CompressedEntry entry = CompressBytes(input);
    ASSERT_EQ(0, entry.errorCode) << size;
    EXPECT_EQ(entry.deflated.size(), entry.compressedSize) << size;
    EXPECT_EQ(input, Inflate(entry.deflated)) << size;
  }
}

TEST(RoundTrip, TextRunsAndMixtures) {
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
    const CompressedEntry entry = CompressBytes(input);
    ASSERT_EQ(0, entry.errorCode);
    EXPECT_EQ(entry.deflated.size(), entry.compressedSize);
    EXPECT_EQ(input, Inflate(entry.deflated));
    EXPECT_EQ(input.size(), entry.bytesRead);
  }
}

}  // namespace
