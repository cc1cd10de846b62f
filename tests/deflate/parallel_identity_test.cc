// The compression on worker threads against the compression on one: the
// same bytes, for every number of workers, on the inputs where joining the
// parses of segments could go wrong. Periodic data, whose parses never meet
// and are taken on across whole segments; long runs of one byte and long
// matches across the segments' starts, at every offset near them; inputs of
// a segment's length and one byte either side, where the last segment is
// parsed with the one before or on its own; text and random bytes, whose
// blocks are stored or coded, and which end where the window slides.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "deflate/compressor.h"
#include "deflate/parallel_compressor.h"
#include "tests/support/deflate_harness.h"
#include "tests/support/test_data.h"

namespace {

constexpr uint32_t kWorkerCounts[] = {2, 3, 8};

// The pieces of an input, in order: text, random bytes and runs.
std::vector<uint8_t> Concatenate(std::initializer_list<std::vector<uint8_t>> pieces) {
  std::vector<uint8_t> all;
  for (const auto& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

std::vector<uint8_t> Periodic(size_t count, const std::string& period) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(period[i % period.size()]);
  return bytes;
}

std::vector<uint8_t> RunOf(size_t count, uint8_t byte) { return std::vector<uint8_t>(count, byte); }

class ParallelIdentity : public ::testing::Test {
 protected:
  void SetUp() override {
    compressor_ = CreateCompressor();
    ASSERT_NE(nullptr, compressor_);
  }
  void TearDown() override { ReleaseCompressor(compressor_); }

  // Compresses `input` on one thread and on each number of workers, in
  // segments of `segmentSize`, and expects the same bytes, which zlib
  // inflates back to the input.
  void ExpectSameBytes(const std::vector<uint8_t>& input, const std::string& what,
                       uint32_t segmentSize = kSegmentSize) {
    MemoryStream one(input);
    const CompressedBytes reference = CompressWith(compressor_, &one);
    ASSERT_EQ(DeflateDone, reference.result) << what;
    ASSERT_EQ(input, Inflate(reference.deflated)) << what;
    for (const uint32_t count : kWorkerCounts) {
      DeflateWorkers* workers = CreateDeflateWorkers(count);
      ASSERT_NE(nullptr, workers);
      SetDeflateSegmentSize(workers, segmentSize);
      MemoryStream many(input);
      const DeflateResult result = CompressStreamOnWorkers(compressor_, workers, many.Stream());
      ReleaseDeflateWorkers(workers);
      EXPECT_EQ(DeflateDone, result) << what << ", " << count << " workers";
      EXPECT_EQ(input.size(), many.Stream()->inputSize) << what << ", " << count << " workers";
      EXPECT_EQ(reference.deflated.size(), many.Stream()->outputSize) << what << ", " << count << " workers";
      EXPECT_TRUE(many.lastSeen) << what << ", " << count << " workers";
      EXPECT_TRUE(reference.deflated == many.output) << what << ", " << count << " workers";
    }
  }

  DeflateState* compressor_ = nullptr;
};

TEST_F(ParallelIdentity, TextAndRandomBytesOverSeveralSegments) {
  ExpectSameBytes(WordText(3 * kSegmentSize + 12345, 1), "text");
  ExpectSameBytes(RandomBytes(2 * kSegmentSize + 777, 2), "random bytes");
  ExpectSameBytes(Concatenate({WordText(kSegmentSize - 1000, 3), RandomBytes(kSegmentSize, 4),
                               WordText(kSegmentSize / 2, 5), RandomBytes(70000, 6)}),
                  "text and random bytes");
}

TEST_F(ParallelIdentity, PeriodicDataWhoseParsesNeverMeet) {
  ExpectSameBytes(Periodic(3 * kSegmentSize + 99, "One line of a log, again and again.\n"), "a repeated line");
  ExpectSameBytes(RunOf(3 * kSegmentSize, 0), "zeros");
  ExpectSameBytes(Periodic(2 * kSegmentSize + 5, "abc"), "a period of 3");
  std::string period257;
  for (int i = 0; i < 257; ++i) period257 += static_cast<char>(i * 7 + 3);
  ExpectSameBytes(Periodic(2 * kSegmentSize + 300000, period257), "a period of 257");
  // Periodic stretches that begin and end in the middle of segments.
  ExpectSameBytes(
      Concatenate({WordText(kSegmentSize / 2, 7), Periodic(kSegmentSize + 4321, "xyz"), WordText(kSegmentSize, 8)}),
      "a periodic stretch across a segment's start");
}

// Segments of the shortest size, so that short inputs hold several.
TEST_F(ParallelIdentity, LongMatchesAcrossTheSegmentsStartsAtEveryOffsetNearThem) {
  constexpr uint32_t kSize = kShortestSegmentSize;
  for (const int offset : {-300, -258, -257, -3, -2, -1, 0, 1, 2, 3, 255, 256, 257, 1024, 1025}) {
    const size_t runStart = static_cast<size_t>(static_cast<int>(kSize) + offset - 200);
    ExpectSameBytes(Concatenate({WordText(runStart, 9), RunOf(400, 'q'), WordText(kSize + 70000, 10)}),
                    "a run at offset " + std::to_string(offset), kSize);
  }
}

TEST_F(ParallelIdentity, InputsOfASegmentsLengthAndOneByteEitherSide) {
  constexpr uint32_t kSize = kShortestSegmentSize;
  for (const uint32_t length : {kSize - 1, kSize, kSize + 1, kSize + 65535, kSize + 65536, kSize + 65537, 2 * kSize - 1,
                                2 * kSize, 2 * kSize + 1, 3 * kSize + 65536}) {
    ExpectSameBytes(WordText(length, length), "text of " + std::to_string(length) + " bytes", kSize);
  }
  ExpectSameBytes(WordText(kSegmentSize + 1, 12), "text of a default segment and a byte");
}

TEST_F(ParallelIdentity, AShortInputExpectedOrNotIsCompressedOnTheCallersThread) {
  const std::vector<uint8_t> input = WordText(100000, 11);
  MemoryStream one(input);
  const CompressedBytes reference = CompressWith(compressor_, &one);
  DeflateWorkers* workers = CreateDeflateWorkers(2);
  ASSERT_NE(nullptr, workers);
  for (const uint64_t expected : {uint64_t{0}, uint64_t{100000}, uint64_t{5} * kSegmentSize}) {
    MemoryStream many(input);
    many.Stream()->expectedSize = expected;
    EXPECT_EQ(DeflateDone, CompressStreamOnWorkers(compressor_, workers, many.Stream()));
    EXPECT_TRUE(reference.deflated == many.output) << "expected " << expected;
    EXPECT_EQ(input.size(), many.Stream()->inputSize);
  }
  ReleaseDeflateWorkers(workers);
}

TEST_F(ParallelIdentity, OneSetOfWorkersServesInputAfterInput) {
  DeflateWorkers* workers = CreateDeflateWorkers(2);
  ASSERT_NE(nullptr, workers);
  for (uint32_t seed = 20; seed < 23; ++seed) {
    const std::vector<uint8_t> input = WordText(2 * kSegmentSize + seed * 1000, seed);
    MemoryStream one(input);
    const CompressedBytes reference = CompressWith(compressor_, &one);
    MemoryStream many(input);
    many.largestRead = 1000 + seed;  // short reads change nothing
    EXPECT_EQ(DeflateDone, CompressStreamOnWorkers(compressor_, workers, many.Stream()));
    EXPECT_TRUE(reference.deflated == many.output) << "input " << seed;
  }
  ReleaseDeflateWorkers(workers);
}

}  // namespace

// What a stopped compression on workers leaves: the result the callback
// asked for, nothing handed over after a refused write, no final block after
// a refused read or a refusal while waiting, and workers and compressor fit
// for the next input.
class ParallelStops : public ParallelIdentity {
 protected:
  void ExpectNextInputComesOutRight(DeflateWorkers* workers) {
    const std::vector<uint8_t> next = WordText(3 * kShortestSegmentSize, 31);
    MemoryStream one(next);
    const CompressedBytes reference = CompressWith(compressor_, &one);
    MemoryStream many(next);
    EXPECT_EQ(DeflateDone, CompressStreamOnWorkers(compressor_, workers, many.Stream()));
    EXPECT_TRUE(reference.deflated == many.output);
  }
};

TEST_F(ParallelStops, ARefusedReadEndsTheOutputWithoutItsLastBlock) {
  DeflateWorkers* workers = CreateDeflateWorkers(3);
  ASSERT_NE(nullptr, workers);
  SetDeflateSegmentSize(workers, kShortestSegmentSize);
  for (const int failing : {1, 2, 3, 6}) {
    MemoryStream stream(WordText(8 * kShortestSegmentSize, 32));
    stream.largestRead = 20000;
    stream.failingRead = failing;
    EXPECT_EQ(DeflateReadStopped, CompressStreamOnWorkers(compressor_, workers, stream.Stream())) << failing;
    EXPECT_FALSE(stream.lastSeen) << failing;
    EXPECT_EQ(failing, stream.reads) << "no read after the refused one";
  }
  ExpectNextInputComesOutRight(workers);
  ReleaseDeflateWorkers(workers);
}

TEST_F(ParallelStops, NothingIsHandedOverAfterARefusedWrite) {
  DeflateWorkers* workers = CreateDeflateWorkers(2);
  ASSERT_NE(nullptr, workers);
  SetDeflateSegmentSize(workers, kShortestSegmentSize);
  for (const int failing : {1, 2, 5}) {
    MemoryStream stream(WordText(6 * kShortestSegmentSize, 33), kSmallestDeflateOutput * 64);
    stream.failingWrite = failing;
    EXPECT_EQ(DeflateWriteStopped, CompressStreamOnWorkers(compressor_, workers, stream.Stream())) << failing;
    EXPECT_EQ(static_cast<size_t>(failing), stream.writeSizes.size()) << failing;
    EXPECT_FALSE(stream.lastSeen);
  }
  ExpectNextInputComesOutRight(workers);
  ReleaseDeflateWorkers(workers);
}

TEST_F(ParallelStops, ACallerThatStopsWhileWaitingStopsTheWorkers) {
  DeflateWorkers* workers = CreateDeflateWorkers(2);
  ASSERT_NE(nullptr, workers);
  SetDeflateSegmentSize(workers, kShortestSegmentSize);
  MemoryStream stream(WordText(10 * kShortestSegmentSize, 34));
  // `waiting` is called with the stream's context, the MemoryStream; its
  // read count says that the wait came once reading had begun.
  static int readsAtWait;
  readsAtWait = -1;
  stream.Stream()->waiting = [](void* context) {
    readsAtWait = static_cast<MemoryStream*>(context)->reads;
    return false;
  };
  EXPECT_EQ(DeflateReadStopped, CompressStreamOnWorkers(compressor_, workers, stream.Stream()));
  EXPECT_FALSE(stream.lastSeen);
  EXPECT_GT(readsAtWait, 0);
  EXPECT_EQ(readsAtWait, stream.reads) << "no read after the refusal";
  EXPECT_LT(stream.position, stream.input.size()) << "the input was not read to its end";
  ExpectNextInputComesOutRight(workers);
  ReleaseDeflateWorkers(workers);
}
