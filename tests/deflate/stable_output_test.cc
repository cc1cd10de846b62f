// The compressor's output is fixed by its algorithm: the same input gives the
// same bytes in every build and on every platform. These figures were taken
// from the first build that passed every other test; a change of them means
// the algorithm changed, which is a change of the product, never a
// refactoring.
#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/support/deflate_harness.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"

namespace {

using StableOutput = FakePlatformTest;

TEST_F(StableOutput, AMixedInputAlwaysCompressesToTheSameBytes) {
  const std::vector<uint8_t> input =
      Bytes({WordText(400000, 11), RandomBytes(50000, 12), std::vector<uint8_t>(70000, 0), WordText(100000, 13),
             RandomBytes(3000, 14), WordText(70000, 11)});
  const CompressedBytes entry = CompressBytes(input);
  ASSERT_EQ(DeflateDone, entry.result);
  const uint32_t outputCrc =
      static_cast<uint32_t>(crc32(0, entry.deflated.data(), static_cast<uInt>(entry.deflated.size())));
  EXPECT_EQ(181749u, entry.deflated.size());
  EXPECT_EQ(916474878u, outputCrc);
}

}  // namespace
