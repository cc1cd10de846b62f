#include "deflate/input_window.h"

#include <cstring>

#include "deflate/chain_positions.h"
#include "deflate/long_chains.h"

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

uint32_t ReadInput(DeflateState* state, uint8_t* buffer, uint32_t capacity) {
  DeflateStream* stream = state->stream;
  uint32_t count = 0;
  if (!stream->read(stream->context, buffer, capacity, &count) || count > capacity) {
    state->stopped = DeflateReadStopped;
    return 0;
  }
  stream->inputSize += count;
  return count;
}

namespace {

// An empty window and chains with the search limits of `level`.
void ClearInput(DeflateState* state, uint32_t level) {
  state->canSlide = 1;
  state->windowCapacity = kWindowSize;
  // The chains need no clearing: every walk starts at a hash head, so only
  // links written during this compression are followed.
  memset(state->hashHead, 0, sizeof state->hashHead);

  const LevelLimits& limits = kLevelLimits[level];
  state->chainCutLength = limits.chainCutLength;
  state->lazyLimit = limits.lazyLimit;
  state->stopLength = limits.stopLength;
  state->chainLimit = limits.chainLimit;
}

}  // namespace

uint32_t ReadFull(DeflateState* state, uint8_t* buffer, uint32_t capacity) {
  uint32_t filled = 0;
  while (filled < capacity) {
    const uint32_t count = ReadInput(state, buffer + filled, capacity - filled);
    if (count == 0) break;
    filled += count;
  }
  return filled;
}

void StartInput(DeflateState* state, uint32_t level) {
  ClearInput(state, level);
  state->curPos = 0;
  state->blockBegin = 0;
  // Every input starts with the 3-byte chains alone; the longer ones are
  // switched on when they would save more than they cost.
  StartSearchLooks(state);
  state->bytesAhead = ReadInput(state, state->window, kWindowSize);
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
    const uint32_t count = ReadInput(state, state->window + state->curPos + state->bytesAhead, freeSpace);
    if (count == 0) {
      state->inputEnded = 1;
      return;
    }
    state->bytesAhead += count;
    if (state->bytesAhead >= kMinLookahead) return;
  }
}

uint64_t WindowBaseAt(uint64_t position, uint64_t inputEnd, bool ended) {
  // Past the first slide, curPos at a step lies in [kMaxDistance + 1,
  // kSlideThreshold]: a step that ends beyond it slides the window back by
  // a half. Near the end of the input, where the window is not full, the
  // slide comes one position earlier and the stretch is one lower.
  constexpr uint64_t kLowest = kMaxDistance + 1;
  if (position < kLowest) return 0;
  uint64_t base = (position - kLowest) / kHalfWindow * kHalfWindow;
  if (position - base == kSlideThreshold && ended && inputEnd < base + kWindowSize) base += kHalfWindow;
  return base;
}

void StartInputAt(DeflateState* state, uint32_t level, uint64_t position, uint64_t windowBase, uint64_t matchPosition,
                  bool longChains) {
  ClearInput(state, level);
  state->curPos = static_cast<uint32_t>(position - windowBase);
  state->matchPos = static_cast<uint32_t>(matchPosition - windowBase);  // may wrap, as after a slide
  state->blockBegin = static_cast<int32_t>(state->curPos);
  StartSearchLooks(state);
  // Full reads, as the compression of the whole input has them: a window's
  // worth, or to the input's end.
  const uint32_t filled = ReadFull(state, state->window, kWindowSize);
  if (state->stopped != DeflateDone) return;
  state->inputEnded = filled < kWindowSize ? 1 : 0;
  state->bytesAhead = filled - state->curPos;
  state->lookStart = static_cast<uint32_t>(position);
  // Whether the longer chains are on changes no match found, only the time
  // it takes: a parse from the middle of an input starts as the caller
  // guesses they pay there, rather than spend its first looks finding out.
  if (longChains) SwitchLongChainsOn(state);
  // Every string before the position is in the chains; the one at the window's
  // start is "none" there, as a slide leaves it.
  state->insertHash = ((static_cast<uint32_t>(state->window[0]) << kHashShift) ^ state->window[1]) & kHashMask;
  if (state->curPos > 0) HashInsertRange(state, 0, state->curPos - 1);
}
