#include "deflate/chain_positions.h"

#include <cstring>

void RebasePositions(ChainPosition* positions, uint32_t count) {
  static_assert(kHalfWindow == 0x8000, "a position in the upper half is one with its top bit set");
  uint32_t i = 0;
#if !defined(__SSE2__) && !defined(__ARM_NEON)
  // Without vector instructions (the 32-bit build for the oldest processors)
  // two positions share each 32-bit word, four words a round: a position
  // with its top bit set loses that bit, which is the slide; any other
  // becomes 0. That is under three instructions a position where the loop
  // below takes nine.
  for (const uint32_t whole = count - count % 8; i < whole; i += 8) {
    uint32_t words[4];
    memcpy(words, positions + i, sizeof words);
    for (uint32_t& word : words) {
      const uint32_t topBits = word & 0x80008000u;
      word &= topBits - (topBits >> 15);  // 0x7FFF in each half whose top bit is set, 0 in the other
    }
    memcpy(positions + i, words, sizeof words);
  }
#endif
  // With them the compiler turns this into a saturating subtraction of eight
  // positions at a time.
  for (; i < count; ++i) {
    const uint32_t value = positions[i];
    positions[i] = static_cast<ChainPosition>(value >= kHalfWindow ? value - kHalfWindow : 0);
  }
}
