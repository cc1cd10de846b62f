// Chains on 4-, 6- and 8-byte prefixes beside the 3-byte hash chains.
//
// A search that already holds a match of b bytes can only improve on it with
// a candidate that shares at least b + 1 bytes with the current string, and
// every such candidate also lies on the chain of the longest prefix of at
// most b + 1 bytes. So the search may follow that chain instead and pass over
// the candidates of the 3-byte chain that could not win; on text that is
// nearly all of them. The search still counts its budget in 3-byte chain
// candidates, by the ordinals of the positions on it, so it stops where the
// 3-byte walk would stop and finds the very same match.
//
// Keeping these chains costs a few dozen instructions per input byte, which
// pays only where the candidates they let a search pass over are many: on
// text, tables and machine code, not on runs of one byte or on compressed
// data, whose searches are short or whose candidates share the longer
// prefixes too. So the compressor weighs one search in kSampleEvery, in rough
// instruction units measured with callgrind, and every kSearchesPerLook
// searches compares what the chains saved, or would have, with the cost of
// entering every position passed:
// - a candidate the 3-byte walk examines costs kVisitCost, one visited on a
//   longer chain kLongVisitCost, and a position entered into them
//   kEntryCost;
// - while the chains are on, a search saved the 3-byte candidates it passed
//   over and paid for those it visited. Where it ran to the distance limit,
//   the ordinals do not tell how far the 3-byte walk would have gone, and
//   the 3-byte chain is walked again to count it;
// - while they are off, the walk is made again, following the match it held
//   at each candidate: the longer chains would have passed over the
//   candidates examined while a match was held, except those that share the
//   prefix of the chain for it.
// They go off after two looks in a row at which the savings did not exceed
// the entries. Switching them on enters up to a half window of positions at
// once, so it waits for two looks in a row that promise half as much again:
// it clears their heads and enters every position a search can still reach;
// from then on each search first enters the positions up to its own.
#pragma once

#include <cstdint>
#include <utility>

#include "deflate/byte_loads.h"
#include "deflate/deflate_state.h"

namespace long_chains_detail {

// Multiplicative hashes to kLongHashBits bits, in 32-bit arithmetic so that the
// i686 build pays no 64-bit multiply: each 4-byte word of a prefix times its
// own odd multiplier, summed, and the top bits taken. A collision costs a
// candidate visit, never a match: candidates are compared byte by byte.
constexpr uint32_t kMultipliers[8] = {0x9E3779B1u, 0x85EBCA77u, 0xC2B2AE3Du, 0x27D4EB2Fu,
                                      0x165667B1u, 0xD3A2646Du, 0xFD7046C5u, 0xB55A4F09u};
constexpr uint32_t kHalfWordMultiplier = 0x85EBCA77u;
constexpr uint32_t kHashDrop = 32 - kLongHashBits;

// The words of the first kBytes bytes at `at` times their multipliers. The
// prefixes of the chains grow from chain to chain, so once inlined the sums
// share their common terms.
template <uint32_t kBytes>
inline uint32_t PrefixSum(const uint8_t* at) {
  static_assert(kBytes % 2 == 0 && kBytes <= 4 * 8, "whole 16-bit halves, a multiplier for each word");
  uint32_t sum = 0;
  for (uint32_t i = 0; i + 4 <= kBytes; i += 4) sum += Load32(at + i) * kMultipliers[i / 4];
  if (kBytes % 4 != 0) sum += Load16(at + kBytes - 2) * kHalfWordMultiplier;
  return sum;
}

inline void EnterLongChain(DeflateState* state, uint32_t chain, uint32_t hash, uint32_t position) {
  // The head is below `position`, or 0 for none: then the link leads to
  // position 0, which is "none" as well.
  const uint32_t previous = state->longHead[chain][hash];
  state->links[position & kChainMask].back[chain] = static_cast<uint16_t>(position - previous);
  state->longHead[chain][hash] = static_cast<ChainPosition>(position);
}

// All hashes are taken before anything is stored: the window's bytes may
// alias the tables, and a store between two hashes would make the compiler
// load and multiply the shared words again.
template <size_t... kChains>
inline void EnterLongChains(DeflateState* state, const uint8_t* at, uint32_t position,
                            std::index_sequence<kChains...>) {
  const uint32_t hashes[] = {(PrefixSum<kLongChainPrefix[kChains]>(at) >> kHashDrop)...};
  (EnterLongChain(state, kChains, hashes[kChains], position), ...);
}

}  // namespace long_chains_detail

// Starts an entry with the longer chains off and nothing counted.
void StartSearchLooks(DeflateState* state);

// Switches the longer chains on at the current position: clears their heads
// and leaves every position a search from here on can reach to be entered.
void SwitchLongChainsOn(DeflateState* state);

// Moves the longer chains with the window's slide, as the 3-byte chains move.
void SlideLongChains(DeflateState* state);

// Searches between two looks.
constexpr uint32_t kSearchesPerLook = 4096;

// One search in this many is weighed, for all of them.
constexpr uint32_t kSampleEvery = 64;
static_assert((kSampleEvery & (kSampleEvery - 1)) == 0 && kSearchesPerLook % kSampleEvery == 0,
              "the look falls on a weighed search");

// Cost units: a candidate examined on the 3-byte chain, one on a longer chain
// (its ordinal is loaded too), and a position entered into the longer chains
// (three hashes and the ordinal).
constexpr int32_t kVisitCost = 2;
constexpr int32_t kLongVisitCost = 3;
constexpr int32_t kEntryCost = 8;

// The longer chain a search follows while it holds a match of `best` (at
// least kLongWalkFrom) bytes: that of the longest prefix of at most best + 1
// bytes, since only candidates sharing best + 1 bytes can win.
inline uint32_t LongChainFor(uint32_t best) {
  uint32_t chain = 0;
  while (chain + 1 < kLongChains && kLongChainPrefix[chain + 1] <= best + 1) ++chain;
  return chain;
}

// Counts one search before it is made. Returns true for one in kSampleEvery,
// which weighs itself with one of the two functions below.
inline bool CountSearch(DeflateState* state) { return (++state->searchCount & (kSampleEvery - 1)) == 0; }

// Weighs a search made on the 3-byte chain alone: `examined` candidates from
// `first`, holding a match of `startLength` bytes to begin with. While the
// longer chains are off, they would have passed over the candidates examined
// while a match of at least kLongWalkFrom was held, except those that share the
// prefix of the chain for the match held then.
void WeighPlainSearch(DeflateState* state, uint32_t first, uint32_t examined, uint32_t startLength);

// Weighs a search on the longer chains: `plainWork` candidates the 3-byte walk
// would have examined, `examined` of them before the walk moved to the longer
// chains, where it visited `longVisits`.
void WeighLongSearch(DeflateState* state, uint32_t plainWork, uint32_t examined, uint32_t longVisits);

// How many candidates the 3-byte walk from `first` examines when no match
// ends it: all down to the distance limit, at most `budget`.
uint32_t PlainWalkLength(const DeflateState* state, uint32_t first, uint32_t limit, uint32_t budget);

// Enters every position from longNext to curPos into the longer chains, with
// its 3-byte chain ordinal. Each needs kLongestPrefix valid bytes: positions
// up to curPos have them while that many bytes are ahead of curPos.
inline void CatchUpLongChains(DeflateState* state) {
  using namespace long_chains_detail;
  const uint8_t* window = state->window;
  for (uint32_t p = state->longNext; p <= state->curPos; ++p) {
    const uint32_t slot = p & kChainMask;
    state->links[slot].ordinal = static_cast<uint16_t>(state->links[state->chainPrev[slot] & kChainMask].ordinal + 1);
    const uint8_t* at = window + p;
    EnterLongChains(state, at, p, std::make_index_sequence<kLongChains>{});
  }
  state->longNext = state->curPos + 1;
}
