// What the compressor reads from and writes to: the stream its caller hands
// it, and how a compression ended. Part of the compressor's face
// (deflate/compressor.h), apart so that the working record can name it.
#pragma once

#include <cstdint>

// The compressor's working record, created once and reused for every input.
struct DeflateState;

// The smallest output buffer the compressor works with: a block header, a
// stored block's length fields and the bits still waiting always fit.
constexpr uint32_t kSmallestDeflateOutput = 16;

// How a compression ended.
enum DeflateResult : uint8_t {
  DeflateDone,         // the whole input is compressed and handed over
  DeflateReadStopped,  // `read` returned false: the output ends wherever it stood
  DeflateWriteStopped  // `write` returned false: nothing was handed over after it
};

// Where the input comes from and the output goes. The callbacks run on the
// caller's thread, inside CompressStream, and must not use the compressor.
struct DeflateStream {
  // Fills up to `capacity` bytes at `buffer` with the next input and puts
  // the count in *length, 0 at the end of the input. Returns false to stop
  // the compression there (a failed read, or a caller that gives up).
  bool (*read)(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length);
  // Takes `length` bytes of output (possibly 0 when `last`). `data` is the
  // output buffer below, or for a stored block too long to join it, the
  // input itself. `last` marks the final call of a compression that ran to
  // its end. Returns false to stop the compression.
  bool (*write)(void* context, const uint8_t* data, uint32_t length, bool last);
  void* context;
  // Where the compressor gathers its output before handing it to `write`:
  // `outputCapacity` bytes, at least kSmallestDeflateOutput, which the
  // caller owns and keeps for the whole compression.
  uint8_t* output;
  uint32_t outputCapacity;
  // Set by CompressStream: the bytes read, and the bytes of output handed
  // over, so far. After DeflateDone, `outputSize` is the deflate data's
  // exact length.
  uint64_t inputSize;
  uint64_t outputSize;
  // Optional. Called on the caller's thread, between reads and writes,
  // whenever a compression on worker threads has waited for them a while
  // (at most kWaitingInterval milliseconds apart while it waits): a user
  // interface dispatches its messages there. Returning false stops the
  // compression as a refused read does.
  bool (*waiting)(void* context) = nullptr;
  // The input's length, when the caller knows it, or 0: a compression on
  // worker threads compresses an input expected to be short on the
  // caller's thread alone, as it comes. A wrong value costs time, never
  // bytes.
  uint64_t expectedSize = 0;
};

// The longest a compression on worker threads waits without calling the
// stream's `waiting`.
constexpr uint32_t kWaitingInterval = 20;
