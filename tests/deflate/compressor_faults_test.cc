// The compressor when its stream refuses a write or a read, and the
// independence of one compression from those before it.
#include <gtest/gtest.h>

#include "deflate/compressor.h"
#include "tests/support/deflate_decoder.h"
#include "tests/support/deflate_harness.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"

namespace {

std::vector<uint8_t> Sample() { return Bytes({WordText(200000, 3), RandomBytes(70000, 4), WordText(150000, 5)}); }

class CompressorFaults : public FakePlatformTest {
 protected:
  void SetUp() override {
    FakePlatformTest::SetUp();
    compressor_ = CreateCompressor();
    ASSERT_NE(nullptr, compressor_);
  }
  void TearDown() override {
    ReleaseCompressor(compressor_);
    FakePlatformTest::TearDown();
  }
  DeflateState* compressor_ = nullptr;
};

TEST_F(CompressorFaults, NothingIsHandedOverAfterARefusedWrite) {
  // Learn how the output is handed over, then refuse each of its first writes.
  MemoryStream whole(Sample());
  ASSERT_EQ(DeflateDone, CompressStream(compressor_, whole.Stream()));
  ASSERT_GT(whole.writeSizes.size(), 4u);
  for (int failing = 1; failing <= 4; ++failing) {
    MemoryStream stream(Sample());
    stream.failingWrite = failing;
    EXPECT_EQ(DeflateWriteStopped, CompressStream(compressor_, stream.Stream()));
    EXPECT_EQ(static_cast<size_t>(failing), stream.writeSizes.size()) << "a write followed the refusal";
    size_t before = 0;
    for (int i = 0; i < failing - 1; ++i) before += stream.writeSizes[static_cast<size_t>(i)];
    EXPECT_EQ(before, stream.output.size());
    EXPECT_FALSE(stream.lastSeen);
  }
}

TEST_F(CompressorFaults, ARefusedReadLeavesNoFinalBlock) {
  MemoryStream stream(Sample());
  stream.largestRead = 50000;
  stream.failingRead = 3;
  EXPECT_EQ(DeflateReadStopped, CompressStream(compressor_, stream.Stream()));
  EXPECT_EQ(3, stream.reads) << "a read followed the refusal";
  EXPECT_FALSE(stream.lastSeen);
  const DecodedStream decoded = DecodeDeflate(stream.output);
  EXPECT_FALSE(decoded.ok);
  for (const DecodedBlock& block : decoded.blocks) EXPECT_FALSE(block.final);
}

TEST_F(CompressorFaults, ARefusedFirstReadHandsOverNothing) {
  MemoryStream stream(Sample());
  stream.failingRead = 1;
  EXPECT_EQ(DeflateReadStopped, CompressStream(compressor_, stream.Stream()));
  EXPECT_TRUE(stream.writeSizes.empty());
  EXPECT_EQ(0u, stream.Stream()->inputSize);
}

TEST_F(CompressorFaults, AReadThatClaimsMoreThanItWasGivenStopsTheInput) {
  MemoryStream stream(Sample());
  DeflateStream* raw = stream.Stream();
  raw->read = [](void*, uint8_t*, uint32_t capacity, uint32_t* length) {
    *length = capacity + 1;
    return true;
  };
  EXPECT_EQ(DeflateReadStopped, CompressStream(compressor_, raw));
  EXPECT_TRUE(stream.writeSizes.empty());
}

TEST_F(CompressorFaults, WithoutMemoryThereIsNoCompressor) {
  fake::Fake().faults.failAllocationNumber = fake::Fake().calls.allocations + 1;
  EXPECT_EQ(nullptr, CreateCompressor());
}

// Every compression's output depends only on its own input, also after
// compressions that stopped half-way, and on no output buffer size.
TEST_F(CompressorFaults, LaterInputsCompressAsWithAFreshCompressor) {
  const std::vector<uint8_t> later = Bytes({WordText(90000, 8), std::vector<uint8_t>(5000, 'q'), WordText(9000, 9)});
  const CompressedBytes fresh = CompressBytes(later);
  ASSERT_EQ(DeflateDone, fresh.result);

  for (int earlierFault = 0; earlierFault < 3; ++earlierFault) {
    MemoryStream earlier(Sample());
    if (earlierFault == 1) earlier.failingWrite = 2;
    if (earlierFault == 2) earlier.failingRead = 4;
    CompressStream(compressor_, earlier.Stream());

    MemoryStream stream(later, earlierFault == 0 ? kSmallestDeflateOutput : kHarnessOutputCapacity);
    const CompressedBytes again = CompressWith(compressor_, &stream);
    EXPECT_EQ(DeflateDone, again.result);
    EXPECT_EQ(fresh.deflated, again.deflated) << "after earlier case " << earlierFault;
    EXPECT_EQ(fresh.outputSize, again.outputSize);
    EXPECT_EQ(later.size(), again.inputSize);
  }
}

}  // namespace
