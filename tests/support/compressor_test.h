// The base of fixtures that work on the compressor's state directly: an
// archive on the in-memory platform whose DeflateState exists with its
// tables built and an empty block, discarded after each test.
#pragma once

#include "deflate/block_flush.h"
#include "deflate/deflate_state.h"
#include "tests/support/deflate_harness.h"
#include "tests/support/fake_platform_test.h"

class CompressorTest : public FakePlatformTest {
 protected:
  void SetUp() override {
    FakePlatformTest::SetUp();
    archive_ = ArchiveWithCompressor();
    state_ = archive_->deflateState;
    PrepareTables(state_);
    ResetBlock(state_);
  }
  void TearDown() override {
    DiscardArchive(archive_);
    FakePlatformTest::TearDown();
  }

  ZipArchive* archive_ = nullptr;
  DeflateState* state_ = nullptr;
};
