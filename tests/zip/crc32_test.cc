#include "zip/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "tests/support/test_files.h"

namespace {

uint32_t ZlibCrc(const std::vector<uint8_t>& data) {
  return static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

TEST(Crc32, MatchesTheCheckValueAndNothing) {
  const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(0xCBF43926u, UpdateCrc32(0, check, sizeof check));
  EXPECT_EQ(0u, UpdateCrc32(0, check, 0));
}

TEST(Crc32, EqualsZlibOverRandomDataInOneCall) {
  for (size_t size : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 255u, 256u, 65536u, 1000003u}) {
    const std::vector<uint8_t> data = RandomBytes(size, static_cast<uint32_t>(size));
    EXPECT_EQ(ZlibCrc(data), UpdateCrc32(0, data.data(), static_cast<uint32_t>(data.size()))) << size;
  }
}

TEST(Crc32, EqualsZlibWhenFedInRandomPieces) {
  std::mt19937 generator(32);
  for (int round = 0; round < 50; ++round) {
    const std::vector<uint8_t> data = RandomBytes(generator() % 100000, static_cast<uint32_t>(generator()));
    uint32_t crc = 0;
    size_t at = 0;
    while (at < data.size()) {
      const size_t piece = std::min<size_t>(generator() % 40, data.size() - at);
      crc = UpdateCrc32(crc, data.data() + at, static_cast<uint32_t>(piece));
      at += piece;
    }
    EXPECT_EQ(ZlibCrc(data), crc) << "round " << round;
  }
}

}  // namespace
