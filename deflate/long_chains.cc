#include "deflate/long_chains.h"

#include <cstring>

#include "deflate/byte_loads.h"
#include "deflate/chain_positions.h"
#include "deflate/match_length.h"

namespace {

// The input position of curPos: bytes read less those still ahead. It wraps
// past 4 GiB, which differences of two positions survive.
uint32_t InputPosition(const DeflateState* state) {
  return static_cast<uint32_t>(state->stream->inputSize) - state->bytesAhead;
}

// Starts counting the searches anew from input position `from`.
void StartCounting(DeflateState* state, uint32_t from) {
  state->searchCount = 0;
  state->lookStart = from;
  state->savedCost = 0;
}

// Switches the longer chains on or off by what the searches since the last
// look saved against what entering every position passed costs, and starts
// counting again. Switching on enters up to a half window of positions at
// once, so the chains are switched on only after two looks in a row that
// promise half as much again as they would cost, and off only after two in a
// row at which they did not pay: a single look is often a passing stretch.
void LookAtSearches(DeflateState* state) {
  const int64_t entries = static_cast<int64_t>(kEntryCost) * (InputPosition(state) - state->lookStart);
  if (state->longChainsOn) {
    if (state->savedCost > entries || state->longChainsPinned) {
      state->poorLooks = 0;
    } else if (++state->poorLooks == 2) {
      state->longChainsOn = 0;
      state->promisingLooks = 0;
    }
  } else if (2 * static_cast<int64_t>(state->savedCost) <= 3 * entries) {
    state->promisingLooks = 0;
  } else if (++state->promisingLooks == 2) {
    SwitchLongChainsOn(state);
    state->poorLooks = 0;
  }
  StartCounting(state, InputPosition(state));
}

// Adds what one weighed search saved, for all kSampleEvery it stands for,
// and looks at the searches when their number is reached.
void AddWeighed(DeflateState* state, int32_t saved) {
  state->savedCost += static_cast<int32_t>(kSampleEvery) * saved;
  if (state->searchCount == kSearchesPerLook) LookAtSearches(state);
}

// Whether the `prefix` bytes (4, 6 or 8) at `a` and `b` are the same.
bool SharesPrefix(const uint8_t* a, const uint8_t* b, uint32_t prefix) {
  if (Load32(a) != Load32(b)) return false;
  if (prefix == 4) return true;
  return prefix == 6 ? Load16(a + 4) == Load16(b + 4) : Load32(a + 4) == Load32(b + 4);
}

}  // namespace

void StartSearchLooks(DeflateState* state) {
  state->longChainsOn = 0;
  StartCounting(state, 0);  // bytesAhead still holds the last input's count
  state->promisingLooks = 0;
  state->poorLooks = 0;
  if (state->longChainsPinned) SwitchLongChainsOn(state);
}

void SwitchLongChainsOn(DeflateState* state) {
  memset(state->longHead, 0, sizeof state->longHead);
  // The farthest candidate a search at curPos or later may examine; position
  // 0 means "none" and is never one.
  state->longNext = state->curPos > kMaxDistance ? state->curPos - kMaxDistance : 1;
  state->longChainsOn = 1;
}

void SlideLongChains(DeflateState* state) {
  if (!state->longChainsOn) return;  // the heads are cleared when they are switched on again
  // The links are distances and need nothing.
  RebasePositions(&state->longHead[0][0], kLongChains * kLongHashSize);
  // Positions not yet entered that slid out can no longer be reached.
  state->longNext = state->longNext >= kHalfWindow ? state->longNext - kHalfWindow : 0;
}

void WeighPlainSearch(DeflateState* state, uint32_t first, uint32_t examined, uint32_t startLength) {
  int32_t saved = 0;
  if (!state->longChainsOn) {
    const uint8_t* window = state->window;
    const uint8_t* scan = window + state->curPos;
    // The walk again, following the match it held at each candidate: once
    // one is held, the longer chains would have visited only the candidates
    // that share the prefix of the chain for it.
    uint32_t best = startLength;
    int32_t sharers = 0;
    uint32_t candidate = first;
    for (uint32_t i = 0; i < examined; ++i) {
      const uint8_t* match = window + candidate;
      if (best >= kLongWalkFrom) {
        saved += kVisitCost;
        if (SharesPrefix(match, scan, kLongChainPrefix[LongChainFor(best)])) ++sharers;
      }
      // The walk's own test: the first two bytes, and with them the hash the
      // whole chain shares, fix the third.
      if (Load16(match + best - 1) == Load16(scan + best - 1) && Load16(match) == Load16(scan)) {
        const uint32_t length = MatchLength(scan, match);
        if (length > best) best = length;
      }
      candidate = state->chainPrev[candidate & kChainMask];
    }
    saved -= kLongVisitCost * sharers;
  }
  AddWeighed(state, saved);
}

void WeighLongSearch(DeflateState* state, uint32_t plainWork, uint32_t examined, uint32_t longVisits) {
  AddWeighed(state, kVisitCost * static_cast<int32_t>(plainWork - examined) -
                        kLongVisitCost * static_cast<int32_t>(longVisits));
}

uint32_t PlainWalkLength(const DeflateState* state, uint32_t first, uint32_t limit, uint32_t budget) {
  uint32_t count = 1;
  for (uint32_t candidate = first; count < budget; ++count) {
    candidate = state->chainPrev[candidate & kChainMask];
    if (candidate <= limit) break;
  }
  return count;
}
