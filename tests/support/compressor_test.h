// The base of fixtures that work on the compressor's state directly: a
// compressor with its tables built, bound to a MemoryStream with an empty
// output and an empty block, released after each test.
#pragma once

#include "deflate/block_flush.h"
#include "deflate/deflate_state.h"
#include "tests/support/deflate_harness.h"
#include "tests/support/fake_platform_test.h"

class CompressorTest : public FakePlatformTest {
 protected:
  void SetUp() override {
    FakePlatformTest::SetUp();
    state_ = CompressorWithTables();
    ASSERT_NE(nullptr, state_);
    StartOutput();
  }
  void TearDown() override {
    ReleaseCompressor(state_);
    FakePlatformTest::TearDown();
  }

  // Binds the state to stream_ as a compression would, with nothing handed
  // over yet, an empty bit writer and an empty block.
  void StartOutput() {
    stream_.Restart({});
    DeflateStream* stream = stream_.Stream();
    stream->inputSize = 0;
    stream->outputSize = 0;
    state_->stream = stream;
    state_->stopped = DeflateDone;
    state_->outBuf = stream->output;
    state_->outSize = stream->outputCapacity;
    state_->outLen = 0;
    state_->bitBuf = 0;
    state_->bitCount = 0;
    PrepareTables(state_);
    ResetBlock(state_);
  }

  const std::vector<uint8_t>& Output() const { return stream_.output; }

  MemoryStream stream_;
  DeflateState* state_ = nullptr;
};
