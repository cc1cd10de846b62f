// Round trip of the compressor: each input becomes the contents of a stream,
// CompressStream deflates it and zlib inflates it again, which must give back
// exactly the contents. Any broken promise of the compressor's face aborts.
//
// The writer reuses one compressor for every entry, so each compression
// starts from whatever the previous one left behind. Each input therefore
// gets a compressor of its own that compresses three times: the contents
// from a fresh state, then another input (the predecessor), then the
// contents again, which must give the same bytes as the first time: the
// output may depend on the contents only. The predecessor is the contents
// reversed and a little longer, so the window, the hash chains and the bytes
// beyond the contents' end all hold something else. A fresh compressor per
// input keeps every failure reproducible from its input alone.
//
// Last, the same compressor compresses the contents a fourth time with the
// plain reference search (tests/support/reference_compressor.h), which walks
// the 3-byte hash chain candidate by candidate. The faster search, with its
// chains on longer prefixes, promises the very same matches, so the bytes
// must equal those of the first compression.
//
// The first byte of an input chooses how the rest becomes the contents, so
// that small inputs also reach window slides and short reads:
//   bits 0-1  0 and 3: the rest as it is; 1: the rest repeated; 2: the rest
//             repeated with each copy's bytes raised by the copy's number,
//             which leaves near matches instead of one long match
//   bits 2-3  for the repeated shapes, the length beyond the rest's own,
//             from kRepeatedLengths: each a little below a point where the
//             window fills or slides (half a window, a window, and the
//             second and third slides), so the rest's length moves the end
//             of the contents across it
//   bit 4     short reads: every read call returns at most kReadLimits
//             indexed by bits 5-7 (a file read in pieces), and the output
//             buffer is the smallest the compressor takes, so that it is
//             handed over every few bytes
// An empty input, or one of just the first byte, is an empty stream.
//
// Then the contents are compressed a fifth time on worker threads
// (CompressStreamOnWorkers), which must give the bytes of the first
// compression too. The last byte of the input chooses how:
//   bit 7     segments one byte shorter, as long as or one byte longer than
//             the contents, by bits 0-1 (0, 1 or 2 bytes more than the
//             contents less one), where they can be that short; otherwise
//             segments of kShortestSegmentSize and up to 32 KiB more, by
//             the byte itself, so that segment starts fall everywhere
//   bit 6     three workers instead of two
//   bit 5     the stream tells the contents' length beforehand
// The workers stay from input to input, as in an archive of many files;
// their output may depend on the contents only.
#define ZLIB_CONST
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "deflate/compressor.h"
#include "deflate/parallel_compressor.h"
#include "tests/support/reference_compressor.h"

namespace {

constexpr size_t kRepeatedLengths[4] = {32000, 64000, 97000, 129000};
constexpr uint32_t kReadLimits[8] = {1, 3, 100, 262, 1000, 4095, 16384, 40000};
// The output buffer of whole reads: the writer's.
constexpr uint32_t kOutputCapacity = 16384;
// More than a longest match, so stale bytes lie beyond the end of any
// contents that a match search may compare.
constexpr uint32_t kPredecessorExtraLength = 300;

// Which of an input's compressions is running, for the failure message.
const char* currentStep = "";

[[noreturn]] void Fail(const char* what) {
  fprintf(stderr, "compress_round_trip_fuzzer: %s: %s\n", currentStep, what);
  abort();
}

struct StreamPlan {
  std::vector<uint8_t> contents;
  uint32_t readLimit = UINT32_MAX;
};

StreamPlan PlanStream(const uint8_t* data, size_t size) {
  StreamPlan plan;
  if (size == 0) return plan;
  const uint8_t selector = data[0];
  const uint8_t* rest = data + 1;
  const size_t restSize = size - 1;
  if ((selector & 0x10) != 0) plan.readLimit = kReadLimits[selector >> 5];

  const uint32_t shape = selector & 0x03u;
  if (restSize == 0 || shape == 0 || shape == 3) {
    plan.contents.assign(rest, rest + restSize);
    return plan;
  }
  const size_t length = restSize + kRepeatedLengths[(selector >> 2) & 0x03u];
  plan.contents.resize(length);
  for (size_t i = 0; i < length; ++i) {
    const size_t copy = i / restSize;
    const uint8_t raise = shape == 2 ? static_cast<uint8_t>(copy) : uint8_t{0};
    plan.contents[i] = static_cast<uint8_t>(rest[i % restSize] + raise);
  }
  return plan;
}

// The predecessor of the second compression of `plan`: see the top.
StreamPlan Predecessor(const StreamPlan& plan) {
  StreamPlan predecessor;
  predecessor.contents.assign(plan.contents.rbegin(), plan.contents.rend());
  for (uint32_t i = 0; i < kPredecessorExtraLength; ++i) {
    predecessor.contents.push_back(static_cast<uint8_t>(i * 37));
  }
  predecessor.readLimit = plan.readLimit;
  return predecessor;
}

// A stream on memory that reads `plan`'s contents and gathers the output,
// checking the order of the calls as it goes.
struct MemoryStream {
  const StreamPlan* plan;
  size_t position = 0;
  std::vector<uint8_t> output;
  bool lastSeen = false;
};

bool ReadContents(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length) {
  auto* stream = static_cast<MemoryStream*>(context);
  if (stream->lastSeen) Fail("a read followed the last write");
  const std::vector<uint8_t>& contents = stream->plan->contents;
  size_t count = contents.size() - stream->position;
  if (count > capacity) count = capacity;
  if (count > stream->plan->readLimit) count = stream->plan->readLimit;
  if (count > 0) memcpy(buffer, contents.data() + stream->position, count);
  stream->position += count;
  *length = static_cast<uint32_t>(count);
  return true;
}

bool TakeOutput(void* context, const uint8_t* data, uint32_t length, bool last) {
  auto* stream = static_cast<MemoryStream*>(context);
  if (stream->lastSeen) Fail("a write followed the last one");
  stream->output.insert(stream->output.end(), data, data + length);
  stream->lastSeen = last;
  return true;
}

// How a compression runs: on the compressor alone, or with workers.
struct Compression {
  DeflateResult (*compress)(DeflateState*, DeflateStream*);
  DeflateWorkers* workers;
  bool sizeTold;
};

// Compresses `plan` as `compression` says on `compressor`, and checks what
// the compressor promises about the stream. Returns the deflate data.
std::vector<uint8_t> CompressPlan(DeflateState* compressor, const StreamPlan& plan, const Compression& compression,
                                  const char* step) {
  currentStep = step;
  MemoryStream memory{&plan, 0, {}, false};
  const uint32_t capacity = plan.readLimit == UINT32_MAX ? kOutputCapacity : kSmallestDeflateOutput;
  std::vector<uint8_t> buffer(capacity);
  DeflateStream stream{ReadContents, TakeOutput, &memory, buffer.data(), capacity, 0, 0};
  if (compression.sizeTold) stream.expectedSize = plan.contents.size();
  const DeflateResult result = compression.workers != nullptr
                                   ? CompressStreamOnWorkers(compressor, compression.workers, &stream)
                                   : compression.compress(compressor, &stream);
  if (result != DeflateDone) Fail("the compression did not end as done");
  if (!memory.lastSeen) Fail("no write was marked last");
  if (memory.position != plan.contents.size()) Fail("the contents were not read to their end");
  if (stream.inputSize != plan.contents.size()) Fail("inputSize is not the size of the contents");
  if (stream.outputSize != memory.output.size()) Fail("outputSize differs from the number of bytes handed over");
  return memory.output;
}

// Inflates `deflated` with zlib as a raw deflate stream and requires exactly
// `expected`, with the stream's end at the last byte.
void RequireInflatesTo(const std::vector<uint8_t>& deflated, const std::vector<uint8_t>& expected) {
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) Fail("inflateInit2 failed");
  // One byte more than expected, so that surplus output shows.
  std::vector<uint8_t> inflated(expected.size() + 1);
  stream.next_in = deflated.data();
  stream.avail_in = static_cast<uInt>(deflated.size());
  stream.next_out = inflated.data();
  stream.avail_out = static_cast<uInt>(inflated.size());
  const int status = inflate(&stream, Z_FINISH);
  const char* message = stream.msg;
  const uLong produced = stream.total_out;
  const uInt left = stream.avail_in;
  inflateEnd(&stream);

  if (status == Z_DATA_ERROR) {
    fprintf(stderr, "compress_round_trip_fuzzer: %s: zlib says: %s\n", currentStep,
            message != nullptr ? message : "(no message)");
    Fail("zlib rejects the deflate stream");
  }
  if (produced > expected.size()) Fail("the stream inflates to more bytes than the contents");
  if (status != Z_STREAM_END) Fail("the stream ends before its final block is complete");
  if (left != 0) Fail("bytes follow the end of the deflate stream");
  if (produced != expected.size()) Fail("the stream inflates to fewer bytes than the contents");
  if (!expected.empty() && memcmp(inflated.data(), expected.data(), expected.size()) != 0) {
    Fail("the stream inflates to other bytes than the contents");
  }
}

// The workers of the fifth compression, two and three of them, made once.
DeflateWorkers* Workers(uint32_t count) {
  static DeflateWorkers* two = CreateDeflateWorkers(2);
  static DeflateWorkers* three = CreateDeflateWorkers(3);
  DeflateWorkers* workers = count == 2 ? two : three;
  if (workers == nullptr) Fail("cannot create the workers");
  return workers;
}

// The fifth compression's workers and segment size, by the input's last byte.
Compression OnWorkers(const uint8_t* data, size_t size, const StreamPlan& plan) {
  const uint8_t selector = size > 0 ? data[size - 1] : 0;
  DeflateWorkers* workers = Workers((selector & 0x40) != 0 ? 3 : 2);
  uint64_t segment = kShortestSegmentSize + (selector * 1031u) % 32768u;
  if ((selector & 0x80) != 0 && plan.contents.size() > kShortestSegmentSize) {
    segment = plan.contents.size() - 1 + (selector & 0x03u) % 3;
  }
  if (segment > kSegmentSize) segment = kSegmentSize;
  SetDeflateSegmentSize(workers, static_cast<uint32_t>(segment));
  return Compression{nullptr, workers, (selector & 0x20) != 0};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StreamPlan plan = PlanStream(data, size);
  DeflateState* compressor = CreateCompressor();
  if (compressor == nullptr) Fail("cannot create the compressor");
  const Compression oneThread{CompressStream, nullptr, false};

  const std::vector<uint8_t> deflated = CompressPlan(compressor, plan, oneThread, "first compression");
  RequireInflatesTo(deflated, plan.contents);

  const StreamPlan predecessor = Predecessor(plan);
  RequireInflatesTo(CompressPlan(compressor, predecessor, oneThread, "second compression (the predecessor)"),
                    predecessor.contents);

  if (CompressPlan(compressor, plan, oneThread, "third compression (the first again)") != deflated) {
    Fail("the same contents compressed again, after another input, give other bytes");
  }
  const Compression reference{ReferenceCompressStream, nullptr, false};
  if (CompressPlan(compressor, plan, reference, "fourth compression (by the reference search)") != deflated) {
    Fail("the plain reference search gives other bytes than CompressStream");
  }
  if (CompressPlan(compressor, plan, OnWorkers(data, size, plan), "fifth compression (on workers)") != deflated) {
    Fail("the compression on workers gives other bytes than CompressStream");
  }
  ReleaseCompressor(compressor);
  return 0;
}
