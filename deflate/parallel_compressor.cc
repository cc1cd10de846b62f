#include "deflate/parallel_compressor.h"

#include <atomic>
#include <cstring>

#include "deflate/bit_writer.h"
#include "deflate/block_flush.h"
#include "deflate/block_symbols.h"
#include "deflate/compressor.h"
#include "deflate/input_window.h"
#include "deflate/parse_tokens.h"
#include "deflate/segment_parse.h"
#include "deflate/token_blocks.h"
#include "deflate/worker_pool.h"
#include "platform/platform.h"

namespace {

// How far a segment's parse goes on past the next segment's start, to meet
// that segment's own parse there: on most inputs within a few dozen bytes.
// Where they do not meet (periodic data, whose matches keep the two parses a
// fixed distance apart), the earlier parse is taken further from where it
// stopped, as far as the next segment's end.
constexpr uint32_t kOverlap = 1024;

// A last segment shorter than this is parsed with the one before it.
constexpr uint32_t kShortestLastSegment = 65536;

// A parse reads a window's length past the step it stops at, so the chunks
// of its own segment and of the next always hold what it reads.
static_assert(kShortestSegmentSize >= kOverlap + kMaxMatch + kWindowSize,
              "a parse reads no further than the next segment");
static_assert(kShortestSegmentSize <= kSegmentSize, "the buffers hold the longest segment");
static_assert(kShortestLastSegment >= kMinLookahead, "every segment's parse starts with a full lookahead");

// A coded block's bytes at most. Fixed codes take at most 9 bits for a
// literal and 8 + 5 + 5 + 13 for a match, and dynamic codes are chosen only
// when they are shorter; then the header and the end-of-block code.
constexpr uint32_t kMostCodedBlockBytes = (kMaxBlockSymbols * 31 + 3 + 7) / 8 + 1;
// The bit writer hands its buffer over when fewer than two bytes are free,
// which a coded block must never make it do.
constexpr uint32_t kCodedBlockBuffer = kMostCodedBlockBytes + 4;

// A stored block's input at most: a block is stored only while its start is
// still in the window.
constexpr uint32_t kMostStoredBytes = kWindowSize;

// A segment's chunk of input and the fresh parse of the segment from its
// start. The chunk of segment k lies in slot k modulo the slot count.
struct SegmentSlot {
  WorkerJob job;
  SegmentParse parse;
  uint8_t* chunk;
};

// A block's tokens, its input when it may be stored, and what coding it on a
// worker gave: for a coded block whole bytes of bits and the bits after
// them, for a stored one nothing (its bytes depend on where it begins).
struct BlockSlot {
  WorkerJob job;
  uint32_t* tokens;
  uint32_t tokenCount;
  uint8_t* input;
  uint32_t length;
  bool storable;
  bool final;
  BlockCoding coding;
  uint8_t* bits;
  uint32_t byteCount;
  uint32_t restBits;
  uint32_t restCount;
  bool failed;  // the coding did not fit its buffer, which never happens
};

}  // namespace

struct DeflateWorkers {
  uint32_t count;
  uint32_t segmentSize;
  WorkerPool* pool;  // null until a long input or a side job needs it
  bool noThreads;    // the threads could not be had
  bool noBuffers;    // the buffers of a long input could not be had
  uint32_t segmentSlotCount;
  SegmentSlot* segments;
  // Parses taken further than their segment, where two parses did not meet.
  // The one joined last may still be in use while the next runs.
  SegmentSlot resumes[2];
  uint32_t blockSlotCount;
  BlockSlot* blocks;
};

namespace {

// Tokens of a parse from a segment's start, or from where an earlier parse
// stopped, to the next segment's start and the overlap beyond.
uint32_t TokensPerSlot() { return SegmentTokenCapacity(0, kSegmentSize + kOverlap); }

void ReleaseBuffers(DeflateWorkers* workers) {
  for (uint32_t i = 0; workers->segments != nullptr && i < workers->segmentSlotCount; ++i) {
    ReleaseFixedMemory(workers->segments[i].chunk);
    ReleaseFixedMemory(workers->segments[i].parse.tokens);
  }
  ReleaseFixedMemory(workers->segments);
  workers->segments = nullptr;
  for (SegmentSlot& resume : workers->resumes) {
    ReleaseFixedMemory(resume.parse.tokens);
    resume.parse.tokens = nullptr;
  }
  for (uint32_t i = 0; workers->blocks != nullptr && i < workers->blockSlotCount; ++i) {
    ReleaseFixedMemory(workers->blocks[i].tokens);
    ReleaseFixedMemory(workers->blocks[i].input);
    ReleaseFixedMemory(workers->blocks[i].bits);
  }
  ReleaseFixedMemory(workers->blocks);
  workers->blocks = nullptr;
}

// Starts the threads, once. Returns false when they cannot be had, now or
// at an earlier try.
bool StartThreads(DeflateWorkers* workers) {
  if (workers->pool == nullptr && !workers->noThreads) {
    workers->pool = StartWorkerPool(workers->count);
    workers->noThreads = workers->pool == nullptr;
  }
  return workers->pool != nullptr;
}

// Makes the buffers of a long input, once. Returns false when they cannot be
// had, now or at an earlier try.
bool MakeBuffers(DeflateWorkers* workers) {
  if (workers->segments != nullptr) return true;
  if (workers->noBuffers) return false;
  // Every worker can parse a segment ahead while one is joined and the
  // chunks of the segment before it and after it are held.
  workers->segmentSlotCount = workers->count + 3;
  workers->blockSlotCount = 2 * workers->count + 2;
  const uint32_t tokenBytes = TokensPerSlot() * sizeof(uint32_t);
  workers->segments = static_cast<SegmentSlot*>(AllocateFixedMemory(workers->segmentSlotCount * sizeof(SegmentSlot)));
  workers->blocks = static_cast<BlockSlot*>(AllocateFixedMemory(workers->blockSlotCount * sizeof(BlockSlot)));
  bool ready = workers->segments != nullptr && workers->blocks != nullptr;
  for (uint32_t i = 0; ready && i < workers->segmentSlotCount; ++i) {
    SegmentSlot& slot = workers->segments[i];
    slot.chunk = static_cast<uint8_t*>(AllocateFixedMemory(kSegmentSize));
    slot.parse.tokens = static_cast<uint32_t*>(AllocateFixedMemory(tokenBytes));
    ready = slot.chunk != nullptr && slot.parse.tokens != nullptr;
  }
  for (SegmentSlot& resume : workers->resumes) {
    resume.parse.tokens = ready ? static_cast<uint32_t*>(AllocateFixedMemory(tokenBytes)) : nullptr;
    ready = resume.parse.tokens != nullptr;
  }
  for (uint32_t i = 0; ready && i < workers->blockSlotCount; ++i) {
    BlockSlot& slot = workers->blocks[i];
    slot.tokens = static_cast<uint32_t*>(AllocateFixedMemory(kMaxBlockSymbols * sizeof(uint32_t)));
    slot.input = static_cast<uint8_t*>(AllocateFixedMemory(kMostStoredBytes));
    slot.bits = static_cast<uint8_t*>(AllocateFixedMemory(kCodedBlockBuffer));
    ready = slot.tokens != nullptr && slot.input != nullptr && slot.bits != nullptr;
  }
  if (!ready) ReleaseBuffers(workers);
  workers->noBuffers = !ready;
  return ready;
}

// One compression on the workers, driven from the caller's thread.
struct Run {
  DeflateState* state;  // the caller's: its bit writer takes the joined blocks
  DeflateWorkers* workers;
  DeflateStream* stream;
  std::atomic<bool> cancel;
  // A callback stopped the compression; state->stopped says how.
  bool stopped;

  uint32_t segmentSize;
  // The input read so far, in chunks of segmentSize.
  uint64_t chunksRead;
  bool ended;
  uint64_t inputEnd;        // once ended
  uint64_t segmentCount;    // segments with a parse of their own, once ended
  uint64_t segmentsQueued;  // segments whose fresh parse was queued, in order
  uint64_t joined;          // segments joined into the parse of the whole input

  // The parse of the whole input from `position` on is `current` from the
  // token at `currentIndex`.
  SegmentParse* current;
  uint32_t currentIndex;
  uint64_t position;
  uint32_t nextResume;
  // Whether the longer chains paid at the end of the parse joined last: a
  // guess for the parses queued next. Before the first join they start on:
  // where they pay (text, tables, machine code) they save far more than
  // they cost where they do not, which two looks at the searches end.
  bool longChains;

  // The block being gathered, as the one-thread compression counts it.
  BlockSlot* filling;
  uint64_t blockBegin;
  uint32_t litCount;
  uint32_t distCount;
  uint32_t distFreq[kDistanceSymbols];
  uint64_t blocksQueued;
  uint64_t blocksWritten;
  uint64_t outputBits;
};

SegmentSlot* SlotOf(Run* run, uint64_t segment) {
  return &run->workers->segments[segment % run->workers->segmentSlotCount];
}

void Stop(Run* run) {
  run->stopped = true;
  if (run->state->stopped == DeflateDone) run->state->stopped = DeflateReadStopped;
}

// The chunks that the parse of `segment` reads, from the one before it.
InputView ViewFor(Run* run, uint64_t segment) {
  InputView view{};
  view.chunkSize = run->segmentSize;
  view.firstChunk = segment == 0 ? 0 : segment - 1;
  for (uint32_t i = 0; i < kViewChunks && view.firstChunk + i < run->chunksRead; ++i) {
    view.chunks[i] = SlotOf(run, view.firstChunk + i)->chunk;
  }
  view.available = run->ended ? run->inputEnd : run->chunksRead * run->segmentSize;
  view.ended = run->ended;
  return view;
}

void RunParse(DeflateState* state, WorkerJob* job) { ParseSegment(state, static_cast<SegmentParse*>(job->data)); }

void QueueParse(Run* run, SegmentSlot* slot, const SegmentParse& parse, JobRank rank) {
  slot->parse.input = parse.input;
  slot->parse.start = parse.start;
  slot->parse.parse = parse.parse;
  slot->parse.matchPosition = parse.matchPosition;
  slot->parse.stop = parse.stop;
  slot->parse.meet = parse.meet;
  slot->parse.cancel = &run->cancel;
  slot->parse.longChains = parse.longChains;
  slot->parse.mayGiveUp = parse.mayGiveUp;
  slot->parse.boundary = parse.boundary;
  slot->parse.tokenCapacity = TokensPerSlot();
  slot->job.run = RunParse;
  slot->job.data = &slot->parse;
  QueueJob(run->workers->pool, &slot->job, rank);
}

// Queues the fresh parse of `segment`, up to the step at or past `stop`.
void QueueSegment(Run* run, uint64_t segment, uint64_t stop) {
  SegmentParse parse{};
  parse.input = ViewFor(run, segment);
  parse.start = segment * run->segmentSize;
  parse.stop = stop;
  parse.boundary = (segment + 1) * run->segmentSize;
  parse.longChains = segment > 0 && run->longChains;
  parse.mayGiveUp = segment > 0;
  QueueParse(run, SlotOf(run, segment), parse, segment <= run->joined ? UrgentJob : AheadJob);
  run->segmentsQueued = segment + 1;
}

// Reads the next chunk and queues the parses whose input it completes. A
// last segment too short for a parse of its own goes with the one before;
// an input of one segment gets no parse here (see CompressStreamOnWorkers).
void ReadChunk(Run* run) {
  const uint64_t chunk = run->chunksRead;
  SegmentSlot* slot = SlotOf(run, chunk);
  const uint32_t filled = ReadFull(run->state, slot->chunk, run->segmentSize);
  if (run->state->stopped != DeflateDone) {
    Stop(run);
    return;
  }
  ++run->chunksRead;
  const uint64_t start = chunk * run->segmentSize;
  if (filled == run->segmentSize) {
    if (chunk > 0) QueueSegment(run, chunk - 1, start + kOverlap);
    return;
  }
  run->ended = true;
  run->inputEnd = start + filled;
  const bool ownSegment = chunk == 0 || filled >= kShortestLastSegment;
  run->segmentCount = ownSegment ? chunk + 1 : chunk;
  if (run->segmentCount < 2) return;
  if (ownSegment) {
    QueueSegment(run, chunk - 1, start + kOverlap);
    QueueSegment(run, chunk, UINT64_MAX);
  } else {
    QueueSegment(run, chunk - 1, UINT64_MAX);
  }
}

void WriteBlock(Run* run, const BlockSlot* slot) {
  DeflateState* state = run->state;
  if (slot->failed) {
    Stop(run);
    return;
  }
  if (slot->coding == StoredBlock) {
    SendStoredBlock(state, slot->input, slot->length, slot->final);
    run->outputBits = ((run->outputBits + 3 + 7) & ~uint64_t{7}) + 32 + 8 * uint64_t{slot->length};
  } else {
    AppendBytes(state, slot->bits, slot->byteCount);
    if (slot->restCount != 0) EmitBits(state, slot->restBits, slot->restCount);
    run->outputBits += 8 * uint64_t{slot->byteCount} + slot->restCount;
  }
  if (slot->final) EndDeflateData(state);
  if (state->stopped != DeflateDone) run->stopped = true;
}

// Writes the coded blocks that are done, in order.
void WriteCodedBlocks(Run* run) {
  while (!run->stopped && run->blocksWritten < run->blocksQueued) {
    const BlockSlot* slot = &run->workers->blocks[run->blocksWritten % run->workers->blockSlotCount];
    if (!JobDone(&slot->job)) return;
    WriteBlock(run, slot);
    ++run->blocksWritten;
  }
}

// Does what can be done while waiting: writes the blocks that are coded and
// reads ahead as far as the slots allow. The chunk of a segment is needed
// until the segment after it is joined.
void KeepBusy(Run* run) {
  WriteCodedBlocks(run);
  const uint64_t held = run->joined > 0 ? run->joined - 1 : 0;
  while (!run->stopped && !run->ended && run->chunksRead < held + run->workers->segmentSlotCount) ReadChunk(run);
}

// Waits a while for a job to end, doing what can be done meanwhile and
// letting the stream's `waiting` run. Returns false once the compression
// stopped.
bool WaitAWhile(Run* run) {
  KeepBusy(run);
  if (run->stopped) return false;
  AwaitJobEnd(run->workers->pool, kWaitingInterval);
  if (run->stream->waiting != nullptr && !run->stream->waiting(run->stream->context)) Stop(run);
  return !run->stopped;
}

bool WaitFor(Run* run, const WorkerJob* job) {
  while (!JobDone(job)) {
    if (!WaitAWhile(run)) return false;
  }
  return !run->stopped;
}

bool RefuseOutput(void*, const uint8_t*, uint32_t, bool) { return false; }

void CodeBlock(DeflateState* state, WorkerJob* job) {
  auto* slot = static_cast<BlockSlot*>(job->data);
  ResetBlock(state);
  CountTokens(state, slot->tokens, slot->tokenCount);
  slot->coding = ChooseBlockCoding(state, slot->length, slot->storable);
  slot->failed = false;
  if (slot->coding == StoredBlock) return;
  // The buffer holds the longest coded block, so nothing is handed over;
  // were anything to be, the stream would refuse it and the block fail.
  DeflateStream none{nullptr, RefuseOutput, nullptr, slot->bits, kCodedBlockBuffer, 0, 0};
  state->stream = &none;
  state->stopped = DeflateDone;
  state->outBuf = slot->bits;
  state->outSize = kCodedBlockBuffer;
  state->outLen = 0;
  state->bitBuf = 0;
  state->bitCount = 0;
  SendCodedBlock(state, slot->coding, slot->final, slot->tokens, slot->tokenCount);
  slot->byteCount = state->outLen;
  slot->restBits = state->bitBuf;
  slot->restCount = static_cast<uint32_t>(state->bitCount);
  slot->failed = state->stopped != DeflateDone;
  state->stream = nullptr;
}

// The block slot to gather the next block in, once the block that used it
// last is written. Null once the compression stopped.
BlockSlot* NextBlockSlot(Run* run) {
  while (run->blocksQueued - run->blocksWritten >= run->workers->blockSlotCount) {
    WriteCodedBlocks(run);
    if (run->blocksQueued - run->blocksWritten < run->workers->blockSlotCount) break;
    if (!WaitAWhile(run)) return nullptr;
  }
  BlockSlot* slot = &run->workers->blocks[run->blocksQueued % run->workers->blockSlotCount];
  slot->tokenCount = 0;
  return slot;
}

// Copies `length` input bytes from input position `from` out of the chunks.
void CopyInput(Run* run, uint8_t* to, uint64_t from, uint32_t length) {
  while (length > 0) {
    const SegmentSlot* slot = SlotOf(run, from / run->segmentSize);
    const uint32_t offset = static_cast<uint32_t>(from % run->segmentSize);
    uint32_t piece = run->segmentSize - offset;
    if (piece > length) piece = length;
    memcpy(to, slot->chunk + offset, piece);
    to += piece;
    from += piece;
    length -= piece;
  }
}

// Ends the block gathered at input position `end`, in the step that began
// at `top`, and hands it to a worker to code.
void EndBlock(Run* run, uint64_t end, uint64_t top, bool final) {
  BlockSlot* slot = run->filling;
  slot->length = static_cast<uint32_t>(end - run->blockBegin);
  // The one-thread compression stores a block only while its start is in
  // the window.
  slot->storable = run->blockBegin >= WindowBaseAt(top, run->inputEnd, run->ended);
  if (slot->storable) CopyInput(run, slot->input, run->blockBegin, slot->length);
  slot->final = final;
  slot->job.run = CodeBlock;
  slot->job.data = slot;
  QueueJob(run->workers->pool, &slot->job, UrgentJob);
  ++run->blocksQueued;
  run->blockBegin = end;
  run->litCount = 0;
  run->distCount = 0;
  memset(run->distFreq, 0, sizeof run->distFreq);
  run->filling = nullptr;
}

// Whether the one-thread compression ends the block after its latest
// symbol, recorded in the step that began at `top` (see BlockShouldEnd).
// It looks every kEarlyEndInterval symbols and when the buffer is full.
bool BlockEnds(const Run* run, uint64_t top) {
  if (run->litCount % kEarlyEndInterval == 0 &&
      EndsEarly(run->litCount, run->distCount, static_cast<uint32_t>(top - run->blockBegin),
                [run](uint32_t code) { return run->distFreq[code]; })) {
    return true;
  }
  // A block holds no more matches than symbols, so its distances never fill
  // their buffer first.
  static_assert(kMaxBlockSymbols < kSymbolBufferSize, "the symbols run out before the distances");
  return run->litCount == kMaxBlockSymbols;
}

// Gathers the tokens of the parse of the whole input, `count` of them from
// `tokens` on, the first at input position `position`, into blocks, a
// stretch up to the next look at the block at a time.
void PassTokens(Run* run, const uint32_t* tokens, uint32_t count, uint64_t position) {
  const uint8_t* const distCode = run->state->distCode;
  while (count > 0) {
    if (run->filling == nullptr) {
      run->filling = NextBlockSlot(run);
      if (run->filling == nullptr) return;
    }
    const uint32_t untilLook = kEarlyEndInterval - run->litCount % kEarlyEndInterval;
    const uint32_t untilFull = kMaxBlockSymbols - run->litCount;
    uint32_t stretch = untilLook < untilFull ? untilLook : untilFull;
    if (stretch > count) stretch = count;
    BlockSlot* slot = run->filling;
    uint32_t* const to = slot->tokens + slot->tokenCount;
    slot->tokenCount += stretch;
    // A literal stands for one byte: only matches need a look of their own.
    // The tokens are copied to the block in the same pass.
    uint32_t matches = 0;
    uint32_t matched = 0;
    for (uint32_t i = 0; i < stretch; ++i) {
      const uint32_t token = tokens[i];
      to[i] = token;
      if (IsMatch(token)) {
        ++matches;
        ++run->distFreq[DistanceCode(distCode, TokenDistance(token) - 1)];
        matched += token & kTokenLengthMask;
      }
    }
    position += stretch - matches + matched;
    const bool lastIsMatch = IsMatch(tokens[stretch - 1]);
    const uint64_t lastStart = position - TokenLength(tokens[stretch - 1]);
    tokens += stretch;
    count -= stretch;
    run->litCount += stretch;
    run->distCount += matches;
    if (stretch != untilLook && stretch != untilFull) continue;
    // The last byte of the input, when it is a literal, is recorded after
    // the parse, with no look at the block. Every other symbol is recorded
    // in the step after the one it begins at.
    if (run->ended && position == run->inputEnd && !lastIsMatch) continue;
    if (BlockEnds(run, lastStart + 1)) EndBlock(run, position, lastStart + 1, false);
  }
}

// Passes the tokens of the current parse up to the one at `index`, which
// begins at input position `position`.
void PassCurrentTo(Run* run, uint32_t index, uint64_t position) {
  if (index > run->currentIndex) {
    PassTokens(run, run->current->tokens + run->currentIndex, index - run->currentIndex, run->position);
    run->currentIndex = index;
    run->position = position;
  }
}

// Passes every token of the current parse.
void PassCurrent(Run* run) {
  const SegmentParse* parse = run->current;
  PassCurrentTo(run, parse->tokenCount, TokensEnd(parse));
}

bool Failed(Run* run, const SegmentParse* parse) {
  if (parse->outcome == SegmentCancelled) Stop(run);
  return run->stopped;
}

// Joins the parse of `segment` into the parse of the whole input and passes
// the tokens up to the next segment's start.
void JoinSegment(Run* run, uint64_t segment) {
  while (run->segmentsQueued <= segment) {
    if (!WaitAWhile(run)) return;
  }
  SegmentSlot* slot = SlotOf(run, segment);
  SegmentParse* fresh = &slot->parse;
  if (!WaitFor(run, &slot->job) || Failed(run, fresh)) return;
  if (segment == 0) {
    run->current = fresh;
    run->currentIndex = 0;
    run->position = 0;
  } else {
    // The first position, from the segment's start on, at which both the
    // parse so far and the segment's own are fresh.
    FreshCursor before{run->current->tokens, run->current->tokenCount, run->currentIndex, run->position, false};
    FreshCursor after{fresh->tokens, fresh->tokenCount, 0, fresh->start, true};
    uint64_t target = fresh->start;
    bool met = false;
    while (SeekFresh(&before, target) && SeekFresh(&after, before.position)) {
      met = after.position == before.position;
      if (met) break;
      target = after.position;
    }
    if (met) {
      PassCurrentTo(run, before.index, before.position);
      run->current = fresh;
      run->currentIndex = after.index;
      run->position = before.position;
    } else {
      // The parse so far is taken on from where it stopped, up to where
      // the segment's own parse stops, unless it meets it on the way.
      PassCurrent(run);
      SegmentParse* stopped = run->current;
      SegmentSlot* resume = &run->workers->resumes[run->nextResume];
      run->nextResume ^= 1;
      SegmentParse parse{};
      parse.input = fresh->input;
      parse.start = stopped->end;
      parse.parse = stopped->endParse;
      parse.matchPosition = stopped->endMatchPosition;
      parse.stop = fresh->stop;
      parse.boundary = fresh->boundary;
      parse.longChains = stopped->longChainsAtEnd;
      parse.meet = fresh;
      QueueParse(run, resume, parse, UrgentJob);
      if (!WaitFor(run, &resume->job) || Failed(run, &resume->parse)) return;
      run->current = &resume->parse;
      run->currentIndex = 0;
      run->position = TokensBegin(&resume->parse);
      if (resume->parse.outcome == SegmentMet) {
        PassCurrent(run);
        run->current = fresh;
        run->currentIndex = resume->parse.meetIndex;
      }
    }
  }
  PassCurrentTo(run, run->current->boundaryIndex, run->current->boundaryPosition);
  run->longChains = fresh->longChainsAtEnd;
  run->joined = segment + 1;
}

void CompressOnWorkers(Run* run) {
  for (uint64_t segment = 0; !run->stopped && (!run->ended || segment < run->segmentCount); ++segment) {
    JoinSegment(run, segment);
  }
  if (run->stopped) return;
  // The final block, with what the last step left: a waiting byte was
  // recorded after the parse, so nothing but the end decides it.
  if (run->filling == nullptr) run->filling = NextBlockSlot(run);
  if (run->filling == nullptr) return;
  EndBlock(run, run->inputEnd, run->inputEnd, true);
  while (!run->stopped && run->blocksWritten < run->blocksQueued) {
    WriteCodedBlocks(run);
    if (run->blocksWritten < run->blocksQueued) WaitAWhile(run);
  }
}

// Lets every job of the run end; a parse sees `cancel` at its next read.
void EndJobs(Run* run) {
  DeflateWorkers* workers = run->workers;
  run->cancel.store(true, std::memory_order_relaxed);
  const auto waitFor = [workers](const WorkerJob& job) {
    while (!JobDone(&job)) AwaitJobEnd(workers->pool, kWaitingInterval);
  };
  for (uint32_t i = 0; i < workers->segmentSlotCount; ++i) waitFor(workers->segments[i].job);
  for (const SegmentSlot& resume : workers->resumes) waitFor(resume.job);
  for (uint32_t i = 0; i < workers->blockSlotCount; ++i) waitFor(workers->blocks[i].job);
}

// A stream that reads the chunks read so far, then the caller's stream,
// and writes to the caller's stream: for a compression on one thread after
// the input's start was read ahead.
struct ReadAhead {
  Run* run;
  uint64_t position;
};

bool ReadAheadThenStream(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length) {
  auto* ahead = static_cast<ReadAhead*>(context);
  Run* run = ahead->run;
  const uint64_t held = run->ended ? run->inputEnd : run->chunksRead * run->segmentSize;
  if (ahead->position < held) {
    uint32_t count = capacity;
    if (count > held - ahead->position) count = static_cast<uint32_t>(held - ahead->position);
    CopyInput(run, buffer, ahead->position, count);
    ahead->position += count;
    *length = count;
    return true;
  }
  DeflateStream* stream = run->stream;
  if (!stream->read(stream->context, buffer, capacity, length)) return false;
  if (*length <= capacity) stream->inputSize += *length;
  return true;
}

bool WriteToStream(void* context, const uint8_t* data, uint32_t length, bool last) {
  DeflateStream* stream = static_cast<ReadAhead*>(context)->run->stream;
  return stream->write(stream->context, data, length, last);
}

DeflateResult CompressReadAheadOnOneThread(Run* run) {
  ReadAhead ahead{run, 0};
  DeflateStream* stream = run->stream;
  DeflateStream inner{ReadAheadThenStream, WriteToStream, &ahead, stream->output, stream->outputCapacity, 0, 0};
  // The caller's stream counts what was read ahead and what is read later.
  const DeflateResult result = CompressStream(run->state, &inner);
  stream->outputSize = inner.outputSize;
  return result;
}

}  // namespace

DeflateWorkers* CreateDeflateWorkers(uint32_t count) {
  if (count < 2 || count > kMostDeflateWorkers) return nullptr;
  auto* workers = static_cast<DeflateWorkers*>(AllocateFixedMemory(sizeof(DeflateWorkers)));
  if (workers != nullptr) {
    workers->count = count;
    workers->segmentSize = kSegmentSize;
  }
  return workers;
}

void SetDeflateSegmentSize(DeflateWorkers* workers, uint32_t bytes) {
  if (bytes >= kShortestSegmentSize && bytes <= kSegmentSize) workers->segmentSize = bytes;
}

uint32_t DeflateWorkerCount(const DeflateWorkers* workers) { return workers->count; }

void ReleaseDeflateWorkers(DeflateWorkers* workers) {
  if (workers == nullptr) return;
  StopWorkerPool(workers->pool);
  ReleaseBuffers(workers);
  ReleaseFixedMemory(workers);
}

bool QueueSideJob(DeflateWorkers* workers, WorkerJob* job) {
  if (!StartThreads(workers)) return false;
  QueueJob(workers->pool, job, SideJob);
  return true;
}

bool TakeBackSideJob(DeflateWorkers* workers, WorkerJob* job) { return TakeBackJob(workers->pool, job, SideJob); }

void AwaitSideJobs(DeflateWorkers* workers, uint32_t milliseconds) { AwaitJobEnd(workers->pool, milliseconds); }

DeflateResult CompressStreamOnWorkers(DeflateState* compressor, DeflateWorkers* workers, DeflateStream* stream) {
  const bool expectedShort = stream->expectedSize != 0 && stream->expectedSize <= workers->segmentSize;
  if (expectedShort || !StartThreads(workers) || !MakeBuffers(workers)) return CompressStream(compressor, stream);
  StartCompression(compressor, stream);
  Run run{};
  run.state = compressor;
  run.workers = workers;
  run.stream = stream;
  run.segmentSize = workers->segmentSize;
  run.longChains = true;
  // Two chunks tell whether the input has two segments.
  ReadChunk(&run);
  if (!run.stopped && !run.ended) ReadChunk(&run);
  if (run.stopped) {
    EndJobs(&run);
    return EndCompression(compressor);
  }
  if (run.ended && run.segmentCount <= 1) {
    EndJobs(&run);
    return CompressReadAheadOnOneThread(&run);
  }
  CompressOnWorkers(&run);
  EndJobs(&run);
  if (!run.stopped) stream->outputSize = (run.outputBits + 7) / 8;
  return EndCompression(compressor);
}
