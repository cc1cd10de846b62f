// Creating, adding to and closing archives when the platform fails, through
// the in-memory stand-in of the platform layer.
#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"
#include "writer/archive.h"
#include "zip/entry_name.h"

namespace {

using ArchiveFaults = FakePlatformTest;

TEST_F(ArchiveFaults, CreateWithoutMemoryCreatesNoFile) {
  fake::Fake().faults.failAllocationNumber = 1;
  ZipArchive* archive = nullptr;
  EXPECT_EQ(ArchiveNoMemory, CreateArchiveOnFile("out.zip", &archive).code);
  EXPECT_EQ(nullptr, archive);
  EXPECT_EQ(0, fake::Fake().calls.creates);
  EXPECT_TRUE(fake::Fake().files.empty());
}

TEST_F(ArchiveFaults, CreateThatCannotMakeTheFileReleasesTheRecord) {
  fake::Fake().faults.failCreateNumber = 1;
  ZipArchive* archive = nullptr;
  EXPECT_EQ(ArchiveOpenFailed, CreateArchiveOnFile("out.zip", &archive).code);
  EXPECT_EQ(nullptr, archive);
}

// Close writes the directory and releases everything; discard releases
// everything and writes nothing more.
TEST_F(ArchiveFaults, CloseAndDiscardReleaseEntriesCompressorAndOutput) {
  fake::PutFile("a.txt", WordText(3000, 1));
  for (const bool discard : {false, true}) {
    ZipArchive* archive = nullptr;
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive).code);
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
      ASSERT_EQ(ArchiveOk, AddFileToArchive(archive, name, "a.txt").code);
    }
    const size_t written = fake::Contents("out.zip").size();
    if (discard) {
      DiscardArchive(archive);
      EXPECT_EQ(written, fake::Contents("out.zip").size());
    } else {
      EXPECT_EQ(ArchiveOk, CloseArchive(archive).code);
      EXPECT_GT(fake::Contents("out.zip").size(), written);
    }
    EXPECT_EQ(0, fake::Fake().liveAllocations) << discard;
    EXPECT_EQ(0, fake::Fake().openHandles) << discard;
  }
}

TEST_F(ArchiveFaults, AFileThatCannotDescribeItselfIsNotOpened) {
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive).code);
  fake::PutFile("source", {1, 2, 3});
  fake::Fake().faults.failInfoNumber = 1;
  const ArchiveStatus status = AddFileToArchive(archive, "source", "source");
  EXPECT_EQ(ArchiveOpenFailed, status.code);
  EXPECT_EQ(FailedSourceOpen, status.reason);
  EXPECT_EQ(1, fake::Fake().openHandles);  // the output only
  EXPECT_EQ(ArchiveOk, CloseArchive(archive).code);
}

}  // namespace
