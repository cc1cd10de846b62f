#include "deflate/chain_positions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Every position a slide meets: none, the lower half (gone), and the upper
// half (moved down), with the edges of each; a count that is no multiple of
// eight leaves some to the last round.
TEST(RebasePositions, MovesTheUpperHalfDownAndClearsTheLower) {
  std::vector<ChainPosition> positions = {0, 1, 0x7FFE, 0x7FFF, 0x8000, 0x8001, 0xC123, 0xFFFF, 0x8002};
  RebasePositions(positions.data(), static_cast<uint32_t>(positions.size()));
  EXPECT_EQ((std::vector<ChainPosition>{0, 0, 0, 0, 0, 1, 0x4123, 0x7FFF, 2}), positions);
}

TEST(RebasePositions, AgreesWithTheSlideOnEveryValue) {
  std::vector<ChainPosition> positions(65536);
  for (uint32_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<ChainPosition>(i * 40503u);
  std::vector<ChainPosition> expected = positions;
  for (ChainPosition& value : expected) value = static_cast<ChainPosition>(value >= 0x8000 ? value - 0x8000 : 0);
  RebasePositions(positions.data(), static_cast<uint32_t>(positions.size()));
  EXPECT_EQ(expected, positions);
}

}  // namespace
