// Parsing one stretch of an input apart from the rest, on a worker thread,
// with exactly the steps the compression of the whole input takes there.
//
// At level 8 every string enters the chains whatever the parse did, so the
// chains at a position depend on the input alone, and a parse started at any
// position with the window primed as a whole compression has it there finds
// the same matches as that compression from every step in the same state. A
// parse is fresh at its start and after every match: two parses that are
// both fresh at one position go on alike from there. So a stretch parsed
// from a fresh start, and the parse of the stretch before it continued past
// its start, meet at the first position fresh in both, and the parse of the
// whole input is the one up to there and the other after it.
#pragma once

#include <atomic>
#include <cstdint>

#include "deflate/deflate_state.h"
#include "deflate/lazy_matching.h"

// The part of an input held in memory for a parse: consecutive chunks of
// `chunkSize` bytes from chunk `firstChunk` on.
constexpr uint32_t kViewChunks = 3;
struct InputView {
  const uint8_t* chunks[kViewChunks];
  uint32_t chunkSize;
  uint64_t firstChunk;
  uint64_t available;  // input positions below this lie in the chunks
  bool ended;          // `available` is the input's length
};

// The positions at which a parse was fresh, walked in order over its tokens:
// `position` is where tokens[index] begins.
struct FreshCursor {
  const uint32_t* tokens;
  uint32_t count;
  uint32_t index;
  uint64_t position;
  bool fresh;  // the parse is fresh at `position`
};

// Moves the cursor to the first position at or past `target` at which the
// parse is fresh. Returns false when its tokens end first.
bool SeekFresh(FreshCursor* cursor, uint64_t target);

enum SegmentOutcome : uint8_t {
  SegmentStopped,   // at the first step at or past `stop`
  SegmentEnded,     // at the input's end, the last literal recorded
  SegmentMet,       // at a position where `meet` was fresh, and so is this parse
  SegmentCancelled  // `cancel` was set, or the view ran out (a caller's fault)
};

struct SegmentParse {
  // What to parse: from input position `start`, in state `parse` (fresh:
  // LazyParse{}), whose found match, when it has one, begins at
  // `matchPosition`; up to the first step at or past `stop` (UINT64_MAX for
  // the input's end), or to where `meet`, a finished fresh parse of the
  // stretch from its start on, is fresh as well.
  InputView input;
  uint64_t start;
  LazyParse parse;
  uint64_t matchPosition;
  uint64_t stop;
  const struct SegmentParse* meet;
  const std::atomic<bool>* cancel;
  // A guess for the speed's sake: whether the longer chains pay here.
  bool longChains;
  // For a fresh parse that only serves to be met: it may stop early, where
  // the data repeats so that two parses keep out of step and never meet
  // (every token a long match). The parse that meets it goes on instead.
  bool mayGiveUp;
  // An input position the caller will cut the tokens at.
  uint64_t boundary;

  // What it found: the tokens from `start` to `end`, and how it ended. At
  // `end` the parse is in state `endParse` (its waiting byte, at end - 1, is
  // not among the tokens), with a found match at `endMatchPosition`.
  uint32_t* tokens;
  uint32_t tokenCapacity;
  uint32_t tokenCount;
  SegmentOutcome outcome;
  uint64_t end;
  LazyParse endParse;
  uint64_t endMatchPosition;
  uint32_t meetIndex;  // when met: the index in meet->tokens of the token at `end`
  bool longChainsAtEnd;
  // The tokens that end at or before `boundary`, and where they end; all of
  // them when the parse ended at the input's end.
  uint32_t boundaryIndex;
  uint64_t boundaryPosition;
  uint64_t readPosition;  // while it runs: the input read so far
};

// Where a parse's tokens begin and end: a byte waiting at the start is the
// first token's, one waiting at the end is no token's yet.
inline uint64_t TokensBegin(const SegmentParse* parse) { return parse->start - (parse->parse.matchAvailable ? 1 : 0); }
inline uint64_t TokensEnd(const SegmentParse* parse) { return parse->end - (parse->endParse.matchAvailable ? 1 : 0); }

// The tokens a parse from `start` to `stop` may record: one per byte at
// most, and the match that takes it past `stop`.
inline uint32_t SegmentTokenCapacity(uint64_t start, uint64_t stop) {
  return static_cast<uint32_t>(stop - start) + kMaxMatch + 1;
}

// Runs the parse `job` describes on `state`, a compressor no other thread
// uses, whose tables need not be built. The view must hold the input from
// WindowBaseAt(start) to a window's length past the step at which it stops.
void ParseSegment(DeflateState* state, SegmentParse* job);
