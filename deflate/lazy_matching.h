// The lazy matching loop of level 8 and the match search it makes, shared by
// the compressor that runs the whole input on one thread and by the parses
// of an input's segments on worker threads, which must find exactly the same
// matches. What becomes of the literals and matches found is the caller's
// (see RunLazyMatching).
#pragma once

#include <cstdint>

#include "deflate/byte_loads.h"
#include "deflate/deflate_state.h"
#include "deflate/input_window.h"
#include "deflate/long_chains.h"
#include "deflate/match_length.h"

namespace lazy_matching_detail {

// Positions on the longer chains are followed as signed values: a link that
// leads below 0 leads to a position that has slid out of the window, and one
// that leads to 0 means "none"; either ends a walk at once.
//
// The nearest position below `below` on the current string's chain of
// `chain`. The chain starts at the current string, and every position on it
// from there down to `below` has been examined or cannot win.
static inline int32_t LongChainBelow(const DeflateState* state, uint32_t chain, uint32_t below) {
  int32_t position = static_cast<int32_t>(state->curPos);
  do {
    position -= state->links[static_cast<uint32_t>(position) & kChainMask].back[chain];
  } while (position >= static_cast<int32_t>(below));
  return position;
}

// Walks the hash chain from `candidate` for a match longer than
// pendingMatchLen at curPos, within the level's limits. Returns the best
// length found (pendingMatchLen when nothing longer; it may exceed
// bytesAhead, which the caller cuts it to) and sets matchPos to its start.
//
// The result is that of the walk along the 3-byte chain that examines each
// candidate in turn, nearest first, until the budget of candidates is spent,
// the distance limit is passed or a match of stopLength is found. Once a
// match is held and the longer chains are kept, the walk moves to the longer
// chain that holds every candidate that could still win, in the same order,
// and measures the budget by ordinals on the 3-byte chain.
//
// kWeighed: the search is one of those whose cost and savings weigh the
// longer chains (see long_chains.h). Only these count what they do, so that
// the others keep no more values live than the search itself needs.
// Inlined into each parse loop, as one call per step would cost the loop
// its registers.
template <bool kWeighed>
[[gnu::always_inline]] static inline uint32_t FindLongestMatch(DeflateState* state, uint32_t candidate) {
  uint32_t budget = state->chainLimit;
  if (state->pendingMatchLen >= state->chainCutLength) budget >>= 2;
  uint32_t best = state->pendingMatchLen;  // at least 1: the loop never runs without input ahead
  const uint32_t limit = state->curPos > kMaxDistance ? state->curPos - kMaxDistance : 0;
  const uint32_t stopLength = state->stopLength;
  const uint8_t* window = state->window;
  const uint8_t* scan = window + state->curPos;
  // The longer chains need every position's prefix to be input, not stale
  // bytes: near the end of the input the 3-byte walk does it all.
  const bool longChains = state->longChainsOn && state->bytesAhead >= kLongestPrefix;
  if (longChains) CatchUpLongChains(state);
  const uint32_t first = candidate;
  uint32_t scanEnd = Load16(scan + best - 1);  // the bytes at best - 1 and best

  uint32_t work = 0;
  if (best < kLongWalkFrom || !longChains) {
    [[maybe_unused]] const uint32_t startLength = best;
    const uint32_t scanStart = Load16(scan);
    for (;;) {
      ++work;
      const uint8_t* match = window + candidate;
      // A longer match must agree at the current best length first: one
      // 16-bit load rejects most candidates. Strings on one chain share
      // their hash, which with the first two bytes fixes the third.
      if (Load16(match + best - 1) == scanEnd && Load16(match) == scanStart) {
        const uint32_t length = MatchLength(scan, match);
        if (length > best) {
          state->matchPos = candidate;
          best = length;
          if (best >= stopLength) {
            if constexpr (kWeighed) WeighPlainSearch(state, first, work, startLength);
            return best;
          }
          scanEnd = Load16(scan + best - 1);
          if (longChains && best >= kLongWalkFrom) break;
        }
      }
      const uint32_t next = state->chainPrev[candidate & kChainMask];
      if (next <= limit || work == budget) {
        if constexpr (kWeighed) WeighPlainSearch(state, first, work, startLength);
        return best;
      }
      candidate = next;
    }
  } else {
    candidate = state->curPos;  // nothing examined yet: the longer chain starts here
  }

  // `candidate` is the last position examined (or curPos), and best is at
  // least kLongWalkFrom. Candidates that pass the first test below share four
  // bytes with the current string, so they lie on its 3-byte chain and their
  // ordinals count the 3-byte candidates before them.
  [[maybe_unused]] const uint32_t examined = work;
  const uint32_t firstOrdinal = state->links[first & kChainMask].ordinal;
  const uint32_t scanStart = Load32(scan);
  uint32_t chain = LongChainFor(best);
  int32_t next = best >= kLongChainPrefix[chain] && candidate != state->curPos
                     ? static_cast<int32_t>(candidate) - state->links[candidate & kChainMask].back[chain]
                     : LongChainBelow(state, chain, candidate);
  // The first candidate may sit exactly at the limit; later ones lie below
  // it, so one bound serves both.
  const int32_t lowest = static_cast<int32_t>(first > limit ? limit : limit - 1);
  [[maybe_unused]] uint32_t longVisits = 0;
  [[maybe_unused]] bool reachedLimit = true;
  while (next > lowest) {
    if constexpr (kWeighed) ++longVisits;
    candidate = static_cast<uint32_t>(next);
    const uint32_t slot = candidate & kChainMask;
    next -= state->links[slot].back[chain];
    const uint8_t* match = window + candidate;
    // A candidate that does not share four bytes with the current string
    // only shares the longer chain's hash: it is not on the 3-byte chain,
    // has no ordinal there, and cannot win. One that does is on it, and the
    // walk ends at the first such candidate the 3-byte walk would not reach,
    // whether or not it could win.
    if (Load32(match) != scanStart) continue;
    const uint32_t before = static_cast<uint16_t>(firstOrdinal - state->links[slot].ordinal);
    if (before >= budget) {
      if constexpr (kWeighed) {
        work = budget;
        reachedLimit = false;
      }
      break;
    }
    if constexpr (kWeighed) work = before + 1;
    if (Load16(match + best - 1) != scanEnd) continue;
    const uint32_t length = MatchLength(scan, match);
    if (length <= best) continue;
    state->matchPos = candidate;
    best = length;
    if (best >= stopLength) {
      if constexpr (kWeighed) reachedLimit = false;
      break;
    }
    scanEnd = Load16(scan + best - 1);
    const uint32_t longer = LongChainFor(best);
    if (longer != chain) {
      chain = longer;
      next = best >= kLongChainPrefix[chain] ? static_cast<int32_t>(candidate) - state->links[slot].back[chain]
                                             : LongChainBelow(state, chain, candidate);
    }
  }
  // A walk that ended on the budget or on a long enough match has counted
  // the 3-byte candidates before its end by ordinals; one that ran to the
  // limit has not counted those past its last candidate on the 3-byte chain.
  if constexpr (kWeighed) {
    WeighLongSearch(state, reachedLimit ? PlainWalkLength(state, first, limit, budget) : work, examined, longVisits);
  }
  return best;
}

}  // namespace lazy_matching_detail

// Where the parse stands between two steps, at the top of its loop: besides
// curPos and matchPos in the state, whether the byte at curPos - 1 waits to
// go out, and the length of the match found at it (kMinMatch - 1 for none).
// A parse whose byte does not wait is fresh: from the same position, every
// fresh parse goes on alike, whatever came before.
struct LazyParse {
  uint32_t candidate = 0;  // the last chain head returned, for the last bytes of the input
  bool matchAvailable = false;
  uint32_t matchLength = kMinMatch - 1;
};

// Parses the input from the current window state with the lazy matching of
// level 8 and hands every literal and match to `tokens`, in order:
// - when Tokens::kLooksAtTop, tokens->AtTop(state, parse) before the first
//   step and before each later step that begins with fewer than
//   tokens->TopsBelow() bytes ahead (at least kMinLookahead), with curPos
//   where the step begins; false ends the parse there, with `parse`
//   describing the state;
// - tokens->AfterRefill(state) after each refill of the window, before the
//   AtTop of the step after it;
// - tokens->Literal(state, byte) for a literal (the byte at curPos - 1) and
//   tokens->Match(state, distance, length) for a match starting at
//   curPos - 1; true asks for tokens->EndBlock(state), which is called once
//   curPos has moved past the literal or match and returns false to stop;
// - tokens->Finish(state, parse) once the input is parsed to its end, the
//   last byte still waiting in `parse` when matchAvailable.
// Returns false when it stopped before the end: AtTop, EndBlock or a
// stopped read.
template <typename Tokens>
static inline bool RunLazyMatching(DeflateState* state, LazyParse* parse, Tokens* tokens) {
  using lazy_matching_detail::FindLongestMatch;
  uint32_t candidate = parse->candidate;
  bool matchAvailable = parse->matchAvailable;  // the byte at curPos - 1 waits to go out
  uint32_t matchLength = parse->matchLength;

  if constexpr (Tokens::kLooksAtTop) {
    if (state->bytesAhead != 0 && !tokens->AtTop(state, *parse)) return false;
  }
  while (state->bytesAhead != 0) {
    // Near the end fewer than 3 bytes remain: nothing is inserted, and the
    // cut to bytesAhead below keeps a match from starting here.
    if (state->bytesAhead >= kMinMatch) candidate = HashInsert(state, state->curPos);

    state->pendingMatchLen = matchLength;
    const uint32_t previousMatchStart = state->matchPos;
    matchLength = kMinMatch - 1;
    if (candidate != 0 && state->pendingMatchLen < state->lazyLimit && state->curPos - candidate <= kMaxDistance) {
      // Matches cannot reach past the input: once the end is near, a search
      // may stop at the first candidate that covers all of it.
      if (state->bytesAhead < state->stopLength) state->stopLength = state->bytesAhead;
      matchLength =
          CountSearch(state) ? FindLongestMatch<true>(state, candidate) : FindLongestMatch<false>(state, candidate);
      if (matchLength > state->bytesAhead) matchLength = state->bytesAhead;
      if (matchLength == kMinMatch && state->curPos - state->matchPos > kTooFarForShortMatch) {
        matchLength = kMinMatch - 1;
      }
    }

    if (state->pendingMatchLen >= kMinMatch && matchLength <= state->pendingMatchLen) {
      // The match found at the previous position is at least as long: take it.
      const uint32_t matchEnd = state->curPos - 1 + state->pendingMatchLen;
      const uint32_t insertLimit = state->curPos + state->bytesAhead - kMinMatch;
      const bool blockFull = tokens->Match(state, state->curPos - 1 - previousMatchStart, state->pendingMatchLen);
      state->bytesAhead -= state->pendingMatchLen - 1;
      // Index the strings inside the match, except those too near the end to
      // have 3 bytes.
      const uint32_t lastInsert = matchEnd - 1 < insertLimit ? matchEnd - 1 : insertLimit;
      if (state->curPos + 1 <= lastInsert) candidate = HashInsertRange(state, state->curPos + 1, lastInsert);
      state->curPos = matchEnd;
      matchAvailable = false;
      matchLength = kMinMatch - 1;
      if (blockFull && !tokens->EndBlock(state)) return false;
    } else if (matchAvailable) {
      // Nothing better than a literal for the waiting byte; the current byte
      // waits in its place.
      const bool blockFull = tokens->Literal(state, state->window[state->curPos - 1]);
      if (blockFull && !tokens->EndBlock(state)) return false;
      ++state->curPos;
      --state->bytesAhead;
    } else {
      matchAvailable = true;
      ++state->curPos;
      --state->bytesAhead;
    }

    // One test a step serves both the refill and the tokens' look at the top.
    if (state->bytesAhead < tokens->TopsBelow()) {
      if (state->bytesAhead < kMinLookahead) {
        RefillWindow(state);
        // A stopped read ends the input without a final block.
        if (state->stopped != DeflateDone) return false;
        tokens->AfterRefill(state);
      }
      if constexpr (Tokens::kLooksAtTop) {
        if (state->bytesAhead != 0 && !tokens->AtTop(state, LazyParse{candidate, matchAvailable, matchLength})) {
          *parse = LazyParse{candidate, matchAvailable, matchLength};
          return false;
        }
      }
    }
  }

  *parse = LazyParse{candidate, matchAvailable, matchLength};
  tokens->Finish(state, *parse);
  return true;
}
