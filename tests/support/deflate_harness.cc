#include "tests/support/deflate_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "tests/support/inflate.h"

MemoryStream::MemoryStream(std::vector<uint8_t> bytes, uint32_t outputCapacity)
    : input(std::move(bytes)), buffer_(outputCapacity) {
  stream_ = DeflateStream{Read, Write, this, buffer_.data(), outputCapacity, 0, 0};
}

void MemoryStream::Restart(std::vector<uint8_t> bytes) {
  input = std::move(bytes);
  position = 0;
  output.clear();
  writeSizes.clear();
  reads = 0;
  lastSeen = false;
}

bool MemoryStream::Read(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length) {
  auto* self = static_cast<MemoryStream*>(context);
  if (self->beforeEachRead) self->beforeEachRead();
  *length = 0;
  if (++self->reads == self->failingRead) return false;
  size_t count = std::min<size_t>(capacity, self->input.size() - self->position);
  if (self->largestRead != 0) count = std::min<size_t>(count, self->largestRead);
  if (count > 0) memcpy(buffer, self->input.data() + self->position, count);
  self->position += count;
  *length = static_cast<uint32_t>(count);
  return true;
}

bool MemoryStream::Write(void* context, const uint8_t* data, uint32_t length, bool last) {
  auto* self = static_cast<MemoryStream*>(context);
  self->writeSizes.push_back(length);
  if (static_cast<int>(self->writeSizes.size()) == self->failingWrite) return false;
  self->output.insert(self->output.end(), data, data + length);
  if (last) self->lastSeen = true;
  return true;
}

CompressedBytes CompressWith(DeflateState* compressor, MemoryStream* stream) {
  const DeflateResult result = CompressStream(compressor, stream->Stream());
  return CompressedBytes{stream->output, result, stream->Stream()->inputSize, stream->Stream()->outputSize};
}

CompressedBytes CompressBytes(const std::vector<uint8_t>& input) {
  DeflateState* compressor = CreateCompressor();
  EXPECT_NE(nullptr, compressor);
  if (compressor == nullptr) return CompressedBytes{{}, DeflateReadStopped, 0, 0};
  MemoryStream stream(input);
  const CompressedBytes result = CompressWith(compressor, &stream);
  ReleaseCompressor(compressor);
  return result;
}

DeflateState* CompressorWithTables() {
  DeflateState* compressor = CreateCompressor();
  EXPECT_NE(nullptr, compressor);
  if (compressor == nullptr) return nullptr;
  MemoryStream empty;
  EXPECT_EQ(DeflateDone, CompressStream(compressor, empty.Stream()));
  return compressor;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& deflated) {
  std::vector<uint8_t> output;
  std::string problem;
  EXPECT_TRUE(InflateRaw(deflated.data(), deflated.size(), &output, &problem)) << problem;
  return output;
}
