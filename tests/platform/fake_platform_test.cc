// The in-memory platform that the tests, the benchmark and the fuzz target
// use in place of the real one keeps the contract of platform/platform.h,
// which the real implementations' tests (platform_test.cc) check on disk.
#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"

namespace {

using FakePlatform = FakePlatformTest;

bool WriteAll(FileHandle file, const std::vector<uint8_t>& bytes) {
  uint32_t written = 0;
  return WriteToFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &written) && written == bytes.size();
}

TEST_F(FakePlatform, OutputsReplaceOldFilesAreSharedWithNobodyAndWriteAtThePosition) {
  fake::PutFile("out", Text("old contents"));
  FileHandle out = CreateOutputFile("out");
  ASSERT_NE(kNoFile, out);
  EXPECT_TRUE(fake::Contents("out").empty());
  EXPECT_EQ(kNoFile, CreateOutputFile("out"));
  ASSERT_TRUE(WriteAll(out, Text("abcdef")));
  EXPECT_EQ(2u, SetFilePosition(out, 2, SeekFromStart));
  ASSERT_TRUE(WriteAll(out, Text("XY")));
  EXPECT_EQ(6u, SetFilePosition(out, 0, SeekFromEnd));
  EXPECT_EQ(kInvalidFilePosition, SetFilePosition(out, -7, SeekFromCurrent));
  EXPECT_EQ(3u, SetFilePosition(out, -3, SeekFromCurrent));  // the failed move left it at 6
  ASSERT_TRUE(TruncateFileHere(out));
  CloseFile(out);
  EXPECT_EQ(Text("abX"), fake::Contents("out"));
}

TEST_F(FakePlatform, ANewOutputIsNeverAnExistingFile) {
  fake::PutFile("there", Text("keep"));
  uint32_t error = 0;
  EXPECT_EQ(kNoFile, CreateNewOutputFile("there", &error));
  EXPECT_NE(0u, error);
  EXPECT_EQ(Text("keep"), fake::Contents("there"));
  FileHandle fresh = CreateNewOutputFile("fresh");
  ASSERT_NE(kNoFile, fresh);
  CloseFile(fresh);
}

TEST_F(FakePlatform, ReadsReturnWhatIsThereInPiecesAndZeroAtTheEnd) {
  fake::PutFile("in", Text("0123456789")).readLimit = 4;
  EXPECT_EQ(kNoFile, OpenInputFile("missing"));
  FileHandle in = OpenInputFile("in");
  ASSERT_NE(kNoFile, in);
  uint8_t buffer[16];
  uint32_t count = 0;
  std::vector<uint32_t> counts;
  do {
    ASSERT_TRUE(ReadFromFile(in, buffer, sizeof buffer, &count));
    counts.push_back(count);
  } while (count != 0);
  EXPECT_EQ((std::vector<uint32_t>{4, 4, 2, 0}), counts);
  uint64_t size = 0;
  ASSERT_TRUE(QueryFileSize(in, &size));
  EXPECT_EQ(10u, size);
  fake::Fake().files.at("in").reportedSize = 1ull << 33;
  FileInfo info{};
  ASSERT_TRUE(QueryFileInfo(in, &info));
  EXPECT_EQ(1ull << 33, info.size);
  EXPECT_EQ(FileArchive, info.attributes);
  CloseFile(in);
}

TEST_F(FakePlatform, PlannedFailuresHitTheNthCallAndReportTheInjectedError) {
  fake::PutFile("in", Text("abc"));
  fake::Fake().faults.failReadNumber = 2;
  FileHandle in = OpenInputFile("in");
  uint8_t buffer[2];
  uint32_t count = 0;
  uint32_t error = 0;
  EXPECT_TRUE(ReadFromFile(in, buffer, sizeof buffer, &count, &error));
  EXPECT_EQ(0u, error);
  EXPECT_FALSE(ReadFromFile(in, buffer, sizeof buffer, &count, &error));
  EXPECT_EQ(fake::kInjectedError, error);
  error = 0;
  EXPECT_TRUE(ReadFromFile(in, buffer, sizeof buffer, &count, &error));  // only the second failed
  EXPECT_EQ(0u, error);
  CloseFile(in);

  fake::Fake().faults.diskCapacity = 4;
  FileHandle out = CreateOutputFile("out");
  uint32_t written = 0;
  EXPECT_TRUE(WriteToFile(out, "abcdef", 6, &written));
  EXPECT_EQ(4u, written);  // a nearly full disk takes what fits
  EXPECT_FALSE(WriteToFile(out, "g", 1, &written, &error));
  EXPECT_EQ(fake::kDiskFullError, error);
  CloseFile(out);
}

TEST_F(FakePlatform, FixedMemoryComesZeroFilledAndIsCounted) {
  auto* block = static_cast<uint8_t*>(AllocateFixedMemory(100));
  ASSERT_NE(nullptr, block);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(0, block[i]);
  EXPECT_EQ(1, fake::Fake().liveAllocations);
  ReleaseFixedMemory(block);
  ReleaseFixedMemory(nullptr);
  fake::Fake().faults.failAllocationNumber = fake::Fake().calls.allocations + 1;
  EXPECT_EQ(nullptr, AllocateFixedMemory(8));
}

}  // namespace
