// The parse of a stretch on its own: it stops at the first step at or past
// its stop, wherever that falls against the window's refills, and what it
// found up to there is what the same parse run to the input's end finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "deflate/compressor.h"
#include "deflate/parse_tokens.h"
#include "deflate/segment_parse.h"
#include "tests/support/test_data.h"

namespace {

class SegmentParseStops : public ::testing::Test {
 protected:
  void SetUp() override {
    state_ = CreateCompressor();
    ASSERT_NE(nullptr, state_);
    // Text, a long run of one byte whose matches are all of the longest
    // length, more text, and random bytes with no matches at all.
    input_ = Bytes({WordText(100000, 3), std::vector<uint8_t>(3000, 'a'), WordText(60000, 4), RandomBytes(20000, 5)});
  }
  void TearDown() override { ReleaseCompressor(state_); }

  // Parses the input fresh from `start` up to `stop` into `tokens`.
  SegmentParse Parse(uint64_t start, uint64_t stop, std::vector<uint32_t>* tokens) {
    SegmentParse job{};
    job.input.chunks[0] = input_.data();
    job.input.chunkSize = static_cast<uint32_t>(input_.size());
    job.input.available = input_.size();
    job.input.ended = true;
    job.start = start;
    job.stop = stop;
    job.boundary = stop;
    job.cancel = &cancel_;
    job.longChains = true;
    tokens->assign(input_.size() + kMaxMatch + 1, 0);
    job.tokens = tokens->data();
    job.tokenCapacity = static_cast<uint32_t>(tokens->size());
    ParseSegment(state_, &job);
    return job;
  }

  DeflateState* state_ = nullptr;
  std::vector<uint8_t> input_;
  std::atomic<bool> cancel_{false};
};

TEST_F(SegmentParseStops, AtTheFirstStepAtOrPastTheStop) {
  for (const uint64_t start : {uint64_t{0}, uint64_t{90001}}) {
    std::vector<uint32_t> whole;
    const SegmentParse all = Parse(start, UINT64_MAX, &whole);
    ASSERT_EQ(SegmentEnded, all.outcome) << start;
    ASSERT_EQ(input_.size(), all.end) << start;
    // Every position is where a step begins but those inside a match past
    // its second byte: the match of the byte before is taken one step on,
    // and the step after it begins at its end.
    std::vector<bool> stepBegins(input_.size() + 1, true);
    uint64_t position = start;
    for (uint32_t i = 0; i < all.tokenCount; ++i) {
      const uint32_t length = TokenLength(whole[i]);
      for (uint64_t inside = position + 2; inside < position + length; ++inside)
        stepBegins[static_cast<size_t>(inside)] = false;
      position += length;
    }
    ASSERT_EQ(input_.size(), position) << start;

    // Stops near the start and at every distance from the refills that
    // follow it, within the text, the run and the random bytes.
    std::vector<uint64_t> stops;
    for (uint64_t offset = 1; offset < 600; offset += 37) stops.push_back(start + offset);
    for (uint64_t stop = start + 30000; stop < input_.size(); stop += 9973) stops.push_back(stop);
    for (uint64_t stop = 100000; stop < 103000; stop += 509) stops.push_back(stop);
    for (const uint64_t stop : stops) {
      if (stop <= start || stop >= input_.size()) continue;
      uint64_t expected = stop;
      while (!stepBegins[static_cast<size_t>(expected)]) ++expected;
      std::vector<uint32_t> tokens;
      const SegmentParse part = Parse(start, stop, &tokens);
      EXPECT_EQ(SegmentStopped, part.outcome) << start << " to " << stop;
      EXPECT_EQ(expected, part.end) << start << " to " << stop;
      ASSERT_LE(part.tokenCount, all.tokenCount) << start << " to " << stop;
      EXPECT_TRUE(
          std::equal(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(part.tokenCount), whole.begin()))
          << start << " to " << stop;
    }
  }
}

}  // namespace
