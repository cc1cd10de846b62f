// Driving the compressor through its face in memory: a stream that reads a
// byte string and gathers the output, with faults on request, and zlib's
// inflate of what came out.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "deflate/compressor.h"

// The output buffer a stream gets unless a test asks for another: the size
// the archive writer stages its output in.
constexpr uint32_t kHarnessOutputCapacity = 16384;

// A DeflateStream on memory. It refers to itself, so it is neither copied
// nor moved.
class MemoryStream {
 public:
  explicit MemoryStream(std::vector<uint8_t> input = {}, uint32_t outputCapacity = kHarnessOutputCapacity);
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  // The stream to hand to the compressor, with its counters as the last
  // compression left them.
  DeflateStream* Stream() { return &stream_; }

  // Starts over on `input` with nothing read and no output.
  void Restart(std::vector<uint8_t> input);

  std::vector<uint8_t> input;
  size_t position = 0;                   // bytes of `input` read so far
  uint32_t largestRead = 0;              // when non-zero, no read gives more bytes
  int failingRead = 0;                   // the read call (from 1) that returns false; 0 for none
  int failingWrite = 0;                  // the write call (from 1) that returns false; 0 for none
  std::function<void()> beforeEachRead;  // run at the start of every read call

  std::vector<uint8_t> output;       // every byte handed over
  std::vector<uint32_t> writeSizes;  // the length of each write call, the refused one too
  int reads = 0;                     // read calls so far
  bool lastSeen = false;             // a write call marked `last` came

 private:
  static bool Read(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length);
  static bool Write(void* context, const uint8_t* data, uint32_t length, bool last);

  std::vector<uint8_t> buffer_;
  DeflateStream stream_;
};

// What one compression of a byte string gave.
struct CompressedBytes {
  std::vector<uint8_t> deflated;  // every byte handed over
  DeflateResult result;
  uint64_t inputSize;  // as the stream reported them
  uint64_t outputSize;
};

// Compresses `input` with a new compressor, released afterwards.
CompressedBytes CompressBytes(const std::vector<uint8_t>& input);

// Compresses what `stream` reads with `compressor`.
CompressedBytes CompressWith(DeflateState* compressor, MemoryStream* stream);

// A compressor that compressed one empty input, so that its tables are
// built. Release it with ReleaseCompressor.
DeflateState* CompressorWithTables();

// zlib's raw inflate of `deflated`; fails the current test when the stream is
// not valid or does not end exactly at its last byte.
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& deflated);
