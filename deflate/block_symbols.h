// The symbol buffers of the current block: literals and matches recorded in
// block order with one flag bit each, their frequencies counted, and the
// decision when a block is full or worth ending early.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Distance code of `d` = distance - 1: the map holds the codes of small
// distances directly and of the others by d >> 7.
inline uint32_t DistanceCode(const uint8_t* distCode, uint32_t d) {
  return d < 256 ? distCode[d] : distCode[256 + (d >> 7)];
}

inline uint32_t DistanceCode(const DeflateState* state, uint32_t d) { return DistanceCode(state->distCode, d); }

// Whether a block of `litCount` symbols, `distCount` of them matches, over
// `inBytes` bytes of input compresses so poorly that it ends early: the
// matches' distance codes, by `distanceFreq(code)`, cost 5 bits and their
// extra bits each, every symbol 8 more, and the estimate is less than half
// the input while matches are fewer than half the symbols. Looked at every
// kEarlyEndInterval symbols.
template <typename DistanceFreq>
inline bool EndsEarly(uint32_t litCount, uint32_t distCount, uint32_t inBytes, DistanceFreq distanceFreq) {
  uint32_t estimate = litCount * 8;
  for (uint32_t code = 0; code < kDistanceSymbols; ++code) {
    estimate += distanceFreq(code) * (5 + static_cast<uint32_t>(distExtraBits[code]));
  }
  estimate >>= 3;
  return distCount < litCount / 2 && estimate < inBytes / 2;
}

namespace block_symbols_detail {

inline void AdvanceFlag(DeflateState* state) {
  state->flagMask = static_cast<uint8_t>(state->flagMask << 1);
  if ((state->litCount & 7) == 0) {
    state->flagBuf[state->flagCount++] = state->pendingFlags;
    state->pendingFlags = 0;
    state->flagMask = 1;
  }
}

// Ends a block that compresses poorly with mostly literals early, so that it
// is stored or coded by itself; otherwise ends it when a buffer is full.
inline bool BlockShouldEnd(const DeflateState* state) {
  if (state->level > 2 && (state->litCount % kEarlyEndInterval) == 0) {
    // Unsigned, so that it also counts right when blockBegin is negative.
    const uint32_t inBytes = state->curPos - static_cast<uint32_t>(state->blockBegin);
    if (EndsEarly(state->litCount, state->distCount, inBytes,
                  [state](uint32_t code) -> uint32_t { return state->dynDistTree[code].freq; })) {
      return true;
    }
  }
  return state->litCount == kMaxBlockSymbols || state->distCount == kSymbolBufferSize;
}

}  // namespace block_symbols_detail

// Adds a literal byte to the block.
inline void AddLiteral(DeflateState* state, uint32_t byte) {
  state->litLenBuf[state->litCount++] = static_cast<uint8_t>(byte);
  ++state->dynLitTree[byte].freq;
  block_symbols_detail::AdvanceFlag(state);
}

// Records a literal byte. Returns true when the block should end now.
inline bool RecordLiteral(DeflateState* state, uint32_t byte) {
  AddLiteral(state, byte);
  return block_symbols_detail::BlockShouldEnd(state);
}

// Adds a match of `length` (3-258) bytes at `distance` (1-32506) to the block.
inline void AddMatch(DeflateState* state, uint32_t distance, uint32_t length) {
  const uint32_t lengthIndex = length - kMinMatch;
  state->litLenBuf[state->litCount++] = static_cast<uint8_t>(lengthIndex);
  ++state->dynLitTree[state->lengthCode[lengthIndex] + kLiterals + 1].freq;
  const uint32_t d = distance - 1;
  ++state->dynDistTree[DistanceCode(state, d)].freq;
  state->distBuf[state->distCount++] = static_cast<uint16_t>(d);
  state->pendingFlags = static_cast<uint8_t>(state->pendingFlags | state->flagMask);
  block_symbols_detail::AdvanceFlag(state);
}

// Records a match of `length` (3-258) bytes at `distance` (1-32506). Returns
// true when the block should end now.
inline bool RecordMatch(DeflateState* state, uint32_t distance, uint32_t length) {
  AddMatch(state, distance, length);
  return block_symbols_detail::BlockShouldEnd(state);
}
