#include "deflate/input_window.h"

#include <cstring>

#include "deflate/long_chains.h"
#include "zip/output_channel.h"

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

namespace {

void SlideWindow(DeflateState* state) {
  memcpy(state->window, state->window + kHalfWindow, kHalfWindow);
  // matchPos may wrap below 0 here; distances are computed in the same
  // unsigned arithmetic, so they stay right.
  state->matchPos -= kHalfWindow;
  state->curPos -= kHalfWindow;
  state->blockBegin -= static_cast<int32_t>(kHalfWindow);
  RebasePositions(state->hashHead, kHashSize);
  RebasePositions(state->chainPrev, kHalfWindow);
  SlideLongChains(state);
}

}  // namespace

void StartInput(DeflateState* state, uint32_t level, uint16_t* gpFlags) {
  state->canSlide = 1;
  state->windowCapacity = kWindowSize;
  // The chains need no clearing: every walk starts at a hash head, so only
  // links written during this entry are followed.
  memset(state->hashHead, 0, sizeof state->hashHead);

  const LevelLimits& limits = kLevelLimits[level];
  state->chainCutLength = limits.chainCutLength;
  state->lazyLimit = limits.lazyLimit;
  state->stopLength = limits.stopLength;
  state->chainLimit = limits.chainLimit;

  // General-purpose bits 2 and 1 tell readers how hard method 8 worked.
  if (level <= 2) *gpFlags = static_cast<uint16_t>(*gpFlags | 0x0004);
  if (level >= 8) *gpFlags = static_cast<uint16_t>(*gpFlags | 0x0002);

  state->curPos = 0;
  state->blockBegin = 0;
  // Every entry starts with the 3-byte chains alone; the longer ones are
  // switched on when they would save more than they cost.
  StartSearchLooks(state);
  state->bytesAhead = ReadSource(state->archive, state->window, kWindowSize);
  if (state->bytesAhead == 0) return;

  state->inputEnded = 0;
  if (state->bytesAhead < kMinLookahead) RefillWindow(state);
  // With a 1-byte input window[1] is stale, but no string is ever inserted then.
  state->insertHash = ((static_cast<uint32_t>(state->window[0]) << kHashShift) ^ state->window[1]) & kHashMask;
}

void RefillWindow(DeflateState* state) {
  for (;;) {
    uint32_t freeSpace = state->windowCapacity - state->bytesAhead - state->curPos;
    if (state->curPos >= kSlideThreshold && state->canSlide) {
      SlideWindow(state);
      freeSpace += kHalfWindow;
    }
    if (state->inputEnded) return;
    const uint32_t count = ReadSource(state->archive, state->window + state->curPos + state->bytesAhead, freeSpace);
    if (count == 0) {
      state->inputEnded = 1;
      return;
    }
    state->bytesAhead += count;
    if (state->bytesAhead >= kMinLookahead) return;
  }
}
