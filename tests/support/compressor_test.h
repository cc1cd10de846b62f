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
    StartCompression(state_, stream_.Stream());
  }

  const std::vector<uint8_t>& Output() const { return stream_.output; }

  MemoryStream stream_;
  DeflateState* state_ = nullptr;
};
