// The compressor's input side: the 64 KiB window filled from the entry's
// source, slid by half a window at a time, and the hash chains that index
// every 3-byte string in it.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Starts an entry's input: clears the hash heads, loads the search limits of
// `level`, marks the level in the entry's general-purpose flags, and reads
// the first chunk. With nothing read (empty source or failed read) bytesAhead
// stays 0 and the read's failure, if any, is in the archive's errorCode.
void StartInput(DeflateState* state, uint32_t level, uint16_t* gpFlags);

// Keeps at least kMinLookahead bytes ahead of curPos while the source has
// data, sliding the window once curPos passes kSlideThreshold (also after the
// end of input). A failed read ends the input and leaves its code.
void RefillWindow(DeflateState* state);

// Enters the 3-byte string at `position` into the hash chains and returns the
// most recent earlier position with the same hash, 0 for none. At least 3
// bytes must be valid from `position` on.
inline uint32_t HashInsert(DeflateState* state, uint32_t position) {
  state->insertHash = ((state->insertHash << kHashShift) ^ state->window[position + kMinMatch - 1]) & kHashMask;
  const uint32_t previous = state->hashHead[state->insertHash];
  const uint32_t slot = position & kChainMask;
  state->chainPrev[slot] = static_cast<ChainPosition>(previous);
  // Slot 0 belongs to another string: "none" must lead to none.
  state->chainSkip[slot] = previous != 0 ? state->chainPrev[previous & kChainMask] : 0;
  state->hashHead[state->insertHash] = static_cast<ChainPosition>(position);
  return previous;
}
