#include "deflate/segment_parse.h"

#include <cstdint>
#include <cstring>

#include "deflate/input_window.h"
#include "deflate/parse_tokens.h"

bool SeekFresh(FreshCursor* cursor, uint64_t target) {
  while (!cursor->fresh || cursor->position < target) {
    if (cursor->index == cursor->count) return false;
    const uint32_t token = cursor->tokens[cursor->index++];
    cursor->position += TokenLength(token);
    cursor->fresh = IsMatch(token);
  }
  return true;
}

namespace {

// A parse that has searched fewer than once in kBytesPerFewSearches bytes of
// its first kFewSearchesStretch or more, before any look, is periodic data.
constexpr uint64_t kFewSearchesStretch = 16384;
constexpr uint64_t kBytesPerFewSearches = 64;
// A parse whose first kGiveUpStretch bytes or more are matches of the
// longest length, but for kFewOtherTokens tokens, is periodic data too.
constexpr uint64_t kGiveUpStretch = 16384;
constexpr uint32_t kFewOtherTokens = 4;

// Reads the input from the view at the input position the stream has
// counted up to. A read the view cannot fill before the input's end would
// look like the end, so it stops the parse instead, as does `cancel`.
bool ReadView(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length) {
  auto* job = static_cast<SegmentParse*>(context);
  const InputView& view = job->input;
  if (job->cancel->load(std::memory_order_relaxed)) return false;
  // The stream counts the input read in input positions.
  uint64_t position = job->readPosition;
  const uint64_t left = view.available - position;
  if (!view.ended && left < capacity) return false;
  const uint32_t count = left < capacity ? static_cast<uint32_t>(left) : capacity;
  uint32_t copied = 0;
  while (copied < count) {
    const uint64_t chunk = position / view.chunkSize - view.firstChunk;
    const uint32_t offset = static_cast<uint32_t>(position % view.chunkSize);
    uint32_t piece = view.chunkSize - offset;
    if (piece > count - copied) piece = count - copied;
    memcpy(buffer + copied, view.chunks[chunk] + offset, piece);
    copied += piece;
    position += piece;
  }
  job->readPosition = position;
  *length = count;
  return true;
}

bool NoOutput(void*, const uint8_t*, uint32_t, bool) { return false; }

// Whether the tokens are matches of the longest length, but for
// kFewOtherTokens. Apart from the parse loop, whose registers it would take.
[[gnu::noinline]] bool AllLongestMatches(const uint32_t* tokens, const uint32_t* end) {
  uint32_t others = 0;
  for (const uint32_t* token = tokens; token < end && others <= kFewOtherTokens; ++token) {
    if (!IsMatch(*token) || TokenLength(*token) != kMaxMatch) ++others;
  }
  return others <= kFewOtherTokens;
}

// Keeps the tokens and ends the parse at the first step at or past `stop`.
// Between two refills of the window the input read does not move, so the
// stop is a count of bytes ahead, which the parse's own test for a refill
// looks at.
struct SegmentTokens {
  SegmentParse* job;
  uint32_t* next;      // where the next token goes
  int64_t stopAhead;   // the parse stops once no more than this many bytes are ahead
  uint32_t topsBelow;  // looks at the stop below this many bytes ahead: one more, or the refill's count
  bool lookedForPeriod;

  static constexpr bool kLooksAtTop = true;
  uint32_t TopsBelow() const { return topsBelow; }
  void SetStopAhead(int64_t ahead) {
    stopAhead = ahead;
    topsBelow = ahead < kMinLookahead ? kMinLookahead
                : ahead < UINT32_MAX  ? static_cast<uint32_t>(ahead + 1)
                                      : UINT32_MAX;
  }
  void AfterRefill(DeflateState* state) {
    const uint64_t read = state->stream->inputSize;
    SetStopAhead(job->stop > read ? -1 : static_cast<int64_t>(read - job->stop));
    // The longer chains, switched on by a guess, cost their entries at
    // every position; where matches run hundreds of bytes (periodic data),
    // the searches are too few for a look at them to come within a segment.
    // Such a parse does without them, as the one-thread compression does.
    const uint64_t passed = read - state->bytesAhead - job->start;
    const bool noLookYet = state->lookStart == static_cast<uint32_t>(job->start);
    if (state->longChainsOn && noLookYet && passed >= kFewSearchesStretch &&
        state->searchCount < passed / kBytesPerFewSearches) {
      state->longChainsOn = 0;
    }
    // Where two parses of periodic data are out of step, they stay so: a
    // parse only there to be met would be parsed in vain. It looks once.
    if (job->mayGiveUp && passed >= kGiveUpStretch && !lookedForPeriod) {
      lookedForPeriod = true;
      if (AllLongestMatches(job->tokens, next)) SetStopAhead(INT64_MAX);
    }
  }
  bool AtTop(DeflateState* state, LazyParse) {
    if (static_cast<int64_t>(state->bytesAhead) > stopAhead) return true;
    job->outcome = SegmentStopped;
    return false;
  }
  bool Literal(DeflateState*, uint32_t byte) {
    *next++ = LiteralToken(byte);
    return false;
  }
  bool Match(DeflateState*, uint32_t distance, uint32_t length) {
    *next++ = MatchToken(distance, length);
    return false;
  }
  static bool EndBlock(DeflateState*) { return true; }
  void Finish(DeflateState* state, LazyParse parse) {
    if (parse.matchAvailable) *next++ = LiteralToken(state->window[state->curPos - 1]);
    job->outcome = SegmentEnded;
  }
};

// As SegmentTokens, and ends the parse where it meets `meet`: at a step
// where both parses are fresh.
struct MeetingTokens : SegmentTokens {
  FreshCursor meet;

  static constexpr uint32_t TopsBelow() { return UINT32_MAX; }  // every step

  bool AtTop(DeflateState* state, LazyParse parse) {
    if (!parse.matchAvailable) {
      const uint64_t position = state->stream->inputSize - state->bytesAhead;
      if (SeekFresh(&meet, position) && meet.position == position) {
        job->outcome = SegmentMet;
        job->meetIndex = meet.index;
        return false;
      }
    }
    return SegmentTokens::AtTop(state, parse);
  }
};

// Apart for each kind of tokens: one loop with the search inlined is all the
// registers can hold.
template <typename Tokens>
[[gnu::noinline]] void Parse(DeflateState* state, SegmentParse* job, Tokens* tokens) {
  tokens->job = job;
  tokens->next = job->tokens;
  tokens->AfterRefill(state);
  LazyParse parse = job->parse;
  if (!RunLazyMatching(state, &parse, tokens) && state->stopped != DeflateDone) job->outcome = SegmentCancelled;
  job->tokenCount = static_cast<uint32_t>(tokens->next - job->tokens);
  job->endParse = parse;
}

}  // namespace

void ParseSegment(DeflateState* state, SegmentParse* job) {
  const uint64_t base = WindowBaseAt(job->start, job->input.available, job->input.ended);
  job->tokenCount = 0;
  job->outcome = SegmentCancelled;
  // The stream counts the input read in input positions, from the base on.
  DeflateStream stream{ReadView, NoOutput, job, nullptr, 0, base, 0};
  job->readPosition = base;
  state->stream = &stream;
  state->stopped = DeflateDone;
  StartInputAt(state, kCompressionLevel, job->start, base, job->matchPosition, job->longChains);
  if (state->stopped == DeflateDone) {
    if (job->meet == nullptr) {
      SegmentTokens tokens{};
      Parse(state, job, &tokens);
    } else {
      MeetingTokens tokens{};
      tokens.meet = FreshCursor{job->meet->tokens, job->meet->tokenCount, 0, job->meet->start, true};
      Parse(state, job, &tokens);
    }
  }
  job->end = stream.inputSize - state->bytesAhead;
  job->endMatchPosition = job->end - (state->curPos - state->matchPos);
  job->longChainsAtEnd = state->longChainsOn != 0;
  state->stream = nullptr;
  // Back from the end: the boundary lies a short way before it.
  uint32_t index = job->tokenCount;
  uint64_t position = TokensEnd(job);
  if (job->outcome != SegmentEnded) {
    while (index > 0 && position > job->boundary) position -= TokenLength(job->tokens[--index]);
  }
  job->boundaryIndex = index;
  job->boundaryPosition = position;
}
