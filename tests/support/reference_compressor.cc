#include "tests/support/reference_compressor.h"

#include <cstring>

#include "deflate/block_flush.h"
#include "deflate/block_symbols.h"
#include "deflate/deflate_state.h"
#include "deflate/input_window.h"

namespace {

void Rebase(ChainPosition* positions, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    positions[i] = static_cast<ChainPosition>(positions[i] >= kHalfWindow ? positions[i] - kHalfWindow : 0);
  }
}

void Slide(DeflateState* s) {
  memcpy(s->window, s->window + kHalfWindow, kHalfWindow);
  s->matchPos -= kHalfWindow;
  s->curPos -= kHalfWindow;
  s->blockBegin -= static_cast<int32_t>(kHalfWindow);
  Rebase(s->hashHead, kHashSize);
  Rebase(s->chainPrev, kHalfWindow);
}

void Refill(DeflateState* s) {
  for (;;) {
    uint32_t freeSpace = s->windowCapacity - s->bytesAhead - s->curPos;
    if (s->curPos >= kSlideThreshold && s->canSlide) {
      Slide(s);
      freeSpace += kHalfWindow;
    }
    if (s->inputEnded) return;
    const uint32_t count = ReadInput(s, s->window + s->curPos + s->bytesAhead, freeSpace);
    if (count == 0) {
      s->inputEnded = 1;
      return;
    }
    s->bytesAhead += count;
    if (s->bytesAhead >= kMinLookahead) return;
  }
}

void Start(DeflateState* s) {
  s->canSlide = 1;
  s->windowCapacity = kWindowSize;
  memset(s->hashHead, 0, sizeof s->hashHead);
  const LevelLimits& limits = kLevelLimits[s->level];
  s->chainCutLength = limits.chainCutLength;
  s->lazyLimit = limits.lazyLimit;
  s->stopLength = limits.stopLength;
  s->chainLimit = limits.chainLimit;
  s->curPos = 0;
  s->blockBegin = 0;
  s->bytesAhead = ReadInput(s, s->window, kWindowSize);
  if (s->bytesAhead == 0) return;
  s->inputEnded = 0;
  if (s->bytesAhead < kMinLookahead) Refill(s);
  s->insertHash = ((static_cast<uint32_t>(s->window[0]) << kHashShift) ^ s->window[1]) & kHashMask;
}

uint32_t Insert(DeflateState* s, uint32_t p) {
  s->insertHash = ((s->insertHash << kHashShift) ^ s->window[p + 2]) & kHashMask;
  const uint32_t previous = s->hashHead[s->insertHash];
  s->chainPrev[p & kChainMask] = static_cast<ChainPosition>(previous);
  s->hashHead[s->insertHash] = static_cast<ChainPosition>(p);
  return previous;
}

// One candidate at a time, byte by byte, in the order of the rejections.
uint32_t Search(DeflateState* s, uint32_t c) {
  uint32_t budget = s->chainLimit;
  if (s->pendingMatchLen >= s->chainCutLength) budget >>= 2;
  uint32_t best = s->pendingMatchLen;
  const uint32_t limit = s->curPos > kMaxDistance ? s->curPos - kMaxDistance : 0;
  const uint8_t* w = s->window;
  const uint32_t at = s->curPos;
  for (;;) {
    if (w[c + best] == w[at + best] && w[c + best - 1] == w[at + best - 1] && w[c] == w[at] && w[c + 1] == w[at + 1]) {
      uint32_t length = kMinMatch;
      while (length < kMaxMatch && w[c + length] == w[at + length]) ++length;
      if (length > best) {
        s->matchPos = c;
        best = length;
        if (best >= s->stopLength) return best;
      }
    }
    c = s->chainPrev[c & kChainMask];
    if (c <= limit || --budget == 0) return best;
  }
}

bool EndFullBlock(DeflateState* s) {
  EmitBlock(s, s->blockBegin >= 0 ? s->window + s->blockBegin : nullptr,
            s->curPos - static_cast<uint32_t>(s->blockBegin), false);
  if (s->stopped != DeflateDone) return false;
  s->blockBegin = static_cast<int32_t>(s->curPos);
  return true;
}

void Run(DeflateState* s) {
  uint32_t candidate = 0;
  bool available = false;
  uint32_t length = kMinMatch - 1;
  while (s->bytesAhead != 0) {
    if (s->bytesAhead >= kMinMatch) candidate = Insert(s, s->curPos);
    s->pendingMatchLen = length;
    const uint32_t previousStart = s->matchPos;
    length = kMinMatch - 1;
    if (candidate != 0 && s->pendingMatchLen < s->lazyLimit && s->curPos - candidate <= kMaxDistance) {
      if (s->bytesAhead < s->stopLength) s->stopLength = s->bytesAhead;
      length = Search(s, candidate);
      if (length > s->bytesAhead) length = s->bytesAhead;
      if (length == kMinMatch && s->curPos - s->matchPos > kTooFarForShortMatch) length = kMinMatch - 1;
    }
    if (s->pendingMatchLen >= kMinMatch && length <= s->pendingMatchLen) {
      const uint32_t insertLimit = s->curPos + s->bytesAhead - kMinMatch;
      const uint32_t start = s->curPos;
      const bool full = RecordMatch(s, s->curPos - 1 - previousStart, s->pendingMatchLen);
      s->bytesAhead -= s->pendingMatchLen - 1;
      for (uint32_t q = start + 1; q < start + s->pendingMatchLen - 1; ++q) {
        if (q <= insertLimit) {
          s->curPos = q;
          candidate = Insert(s, q);
        }
      }
      s->curPos = start + s->pendingMatchLen - 1;
      available = false;
      length = kMinMatch - 1;
      if (full && !EndFullBlock(s)) return;
    } else if (available) {
      if (RecordLiteral(s, s->window[s->curPos - 1]) && !EndFullBlock(s)) return;
      ++s->curPos;
      --s->bytesAhead;
    } else {
      available = true;
      ++s->curPos;
      --s->bytesAhead;
    }
    if (s->bytesAhead < kMinLookahead) {
      Refill(s);
      if (s->stopped != DeflateDone) return;
    }
  }
  if (available) RecordLiteral(s, s->window[s->curPos - 1]);
  EmitBlock(s, s->blockBegin >= 0 ? s->window + s->blockBegin : nullptr,
            s->curPos - static_cast<uint32_t>(s->blockBegin), true);
}

}  // namespace

DeflateResult ReferenceCompressStream(DeflateState* s, DeflateStream* stream) {
  StartCompression(s, stream);
  Start(s);
  if (s->stopped == DeflateDone) Run(s);
  return EndCompression(s);
}
