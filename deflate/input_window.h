// The compressor's input side: the 64 KiB window filled through the stream, slid by half a window at a time, and the
// hash chains that index every 3-byte string in it.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Reads the next input into `buffer` through the stream. A read that the
// stream stops, or that claims more than `capacity`, ends the input with
// nothing read and shows in `stopped`.
uint32_t ReadInput(DeflateState* state, uint8_t* buffer, uint32_t capacity);

// Reads until `capacity` bytes are at `buffer` or the input ends (or a read
// stops, which shows in `stopped`). Returns the bytes read.
uint32_t ReadFull(DeflateState* state, uint8_t* buffer, uint32_t capacity);

// Starts an input: clears the hash heads, loads the search limits of
// `level`, and reads the first chunk. With nothing read (empty input or a
// stopped read) bytesAhead stays 0; a stopped read shows in `stopped`.
void StartInput(DeflateState* state, uint32_t level);

// Where the window begins, as an input position, at the top of the step at
// input position `position` of a compression read in full reads: a multiple
// of the half window, since every slide moves it by one. The window slides
// at the end of the step that takes curPos to kSlideThreshold + 1 or past,
// or to kSlideThreshold when the input ends within the window, so at every
// step curPos lies in one stretch of kHalfWindow positions and the base
// follows from the position alone. `inputEnd` is the input's length when
// `ended`; otherwise the input reaches past the window's end.
uint64_t WindowBaseAt(uint64_t position, uint64_t inputEnd, bool ended);

// Starts the parse of an input at input position `position`, from
// `windowBase` (WindowBaseAt) on, in the window state that a compression of
// the whole input has there: the window read through the stream from the
// base (the stream's inputSize, which must be windowBase, counts on in input
// positions), every string before `position` in the chains, the limits of
// `level`. The parse state of the step (the waiting byte, the match found at
// it) is the caller's; matchPos is set from `matchPosition`, an input
// position. With `longChains` the longer chains start on. A stopped read
// shows in `stopped`.
void StartInputAt(DeflateState* state, uint32_t level, uint64_t position, uint64_t windowBase, uint64_t matchPosition,
                  bool longChains);

// Keeps at least kMinLookahead bytes ahead of curPos while the source has
// data, sliding the window once curPos passes kSlideThreshold (also after the
// end of input). A stopped read ends the input and shows in `stopped`.
void RefillWindow(DeflateState* state);

// Enters the 3-byte string at `position` into the hash chains and returns the
// most recent earlier position with the same hash, 0 for none. At least 3
// bytes must be valid from `position` on.
inline uint32_t HashInsert(DeflateState* state, uint32_t position) {
  state->insertHash = ((state->insertHash << kHashShift) ^ state->window[position + kMinMatch - 1]) & kHashMask;
  const uint32_t previous = state->hashHead[state->insertHash];
  state->chainPrev[position & kChainMask] = static_cast<ChainPosition>(previous);
  state->hashHead[state->insertHash] = static_cast<ChainPosition>(position);
  return previous;
}

// HashInsert at every position from `first` to `last`, with the running hash
// in a register (the window's bytes may alias the state, so the compiler
// would otherwise store and reload it at every position). Returns what the
// last insert returns. Needs first <= last.
inline uint32_t HashInsertRange(DeflateState* state, uint32_t first, uint32_t last) {
  const uint8_t* window = state->window;
  ChainPosition* hashHead = state->hashHead;
  ChainPosition* chainPrev = state->chainPrev;
  uint32_t hash = state->insertHash;
  uint32_t previous = 0;
  for (uint32_t p = first; p <= last; ++p) {
    hash = ((hash << kHashShift) ^ window[p + kMinMatch - 1]) & kHashMask;
    previous = hashHead[hash];
    chainPrev[p & kChainMask] = static_cast<ChainPosition>(previous);
    hashHead[hash] = static_cast<ChainPosition>(p);
  }
  state->insertHash = hash;
  return previous;
}
