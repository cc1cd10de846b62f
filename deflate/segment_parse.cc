#include "deflate/segment_parse.h"

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

// Reads the input from the view at the input position the stream has
// counted up to. A read the view cannot fill before the input's end would
// look like the end, so it stops the parse instead, as does `cancel`.
bool ReadView(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length) {
  auto* job = static_cast<SegmentParse*>(context);
  const InputView& view = job->input;
  if (job->cancel->load(std::memory_order_relaxed)) return false;
  // The stream's inputSize is an input position: it started at the window's base.
  uint64_t position = job->end;
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
  job->end = position;
  *length = count;
  return true;
}

bool NoOutput(void*, const uint8_t*, uint32_t, bool) { return false; }

// Keeps the tokens, and ends the parse at `stop` or where it meets `meet`.
struct SegmentTokens {
  SegmentParse* job;
  FreshCursor meet;

  uint64_t Position(const DeflateState* state) const { return job->end - state->bytesAhead; }

  bool AtTop(DeflateState* state, LazyParse parse) {
    const uint64_t position = Position(state);
    if (job->meet != nullptr && !parse.matchAvailable && SeekFresh(&meet, position) && meet.position == position) {
      job->outcome = SegmentMet;
      job->meetIndex = meet.index;
      return false;
    }
    if (position < job->stop) return true;
    job->outcome = SegmentStopped;
    return false;
  }
  bool Literal(DeflateState*, uint32_t byte) {
    job->tokens[job->tokenCount++] = LiteralToken(byte);
    return false;
  }
  bool Match(DeflateState*, uint32_t distance, uint32_t length) {
    job->tokens[job->tokenCount++] = MatchToken(distance, length);
    return false;
  }
  static bool EndBlock(DeflateState*) { return true; }
  void Finish(DeflateState* state, LazyParse parse) {
    if (parse.matchAvailable) job->tokens[job->tokenCount++] = LiteralToken(state->window[state->curPos - 1]);
    job->outcome = SegmentEnded;
  }
};

}  // namespace

void ParseSegment(DeflateState* state, SegmentParse* job) {
  // `end` counts the input read, as the stream's inputSize would, until the
  // parse is over.
  const uint64_t base = WindowBaseAt(job->start, job->input.available, job->input.ended);
  job->end = base;
  job->tokenCount = 0;
  job->outcome = SegmentCancelled;
  DeflateStream stream{ReadView, NoOutput, job, nullptr, 0, base, 0};
  state->stream = &stream;
  state->stopped = DeflateDone;
  StartInputAt(state, kCompressionLevel, job->start, base, job->matchPosition);
  LazyParse parse = job->parse;
  SegmentTokens tokens{job, FreshCursor{}};
  if (job->meet != nullptr) {
    tokens.meet = FreshCursor{job->meet->tokens, job->meet->tokenCount, 0, job->meet->start, true};
  }
  if (state->stopped == DeflateDone && !RunLazyMatching(state, &parse, &tokens) && state->stopped != DeflateDone) {
    job->outcome = SegmentCancelled;
  }
  const uint64_t readEnd = job->end;
  job->end = readEnd - state->bytesAhead;
  job->endParse = parse;
  job->endMatchPosition = job->end - (state->curPos - state->matchPos);
  state->stream = nullptr;
}
