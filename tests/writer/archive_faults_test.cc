// Creating, adding to and closing archives when the platform fails, through
// the in-memory stand-in of the platform layer.
#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "writer/archive.h"
#include "zip/entry_name.h"

namespace {

using ArchiveFaults = FakePlatformTest;

TEST_F(ArchiveFaults, CreateWithoutMemoryCreatesNoFile) {
  fake::Fake().faults.failAllocationNumber = 1;
  ZipArchive* archive = nullptr;
  EXPECT_EQ(ArchiveNoMemory, CreateArchiveOnFile("out.zip", &archive));
  EXPECT_EQ(nullptr, archive);
  EXPECT_EQ(0, fake::Fake().calls.creates);
  EXPECT_TRUE(fake::Fake().files.empty());
}

TEST_F(ArchiveFaults, CreateThatCannotMakeTheFileReleasesTheRecord) {
  fake::Fake().faults.failCreateNumber = 1;
  ZipArchive* archive = nullptr;
  EXPECT_EQ(ArchiveOpenFailed, CreateArchiveOnFile("out.zip", &archive));
  EXPECT_EQ(nullptr, archive);
}

TEST_F(ArchiveFaults, CloseReleasesEntriesCompressorStateAndSource) {
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive));
  archive->deflateState = static_cast<DeflateState*>(AllocateFixedMemory(1000));
  for (int i = 0; i < 3; ++i) {
    auto* entry = static_cast<ZipEntry*>(AllocateFixedMemory(sizeof(ZipEntry)));
    entry->next = archive->entryList;
    archive->entryList = entry;
  }
  fake::PutFile("source", {1, 2, 3});
  archive->source = OpenInputFile("source");
  archive->flags |= OwnsSource;
  // A failed add leaves its code: no directory is written, all is released.
  archive->errorCode = ArchiveReadFailed;
  EXPECT_EQ(ArchiveReadFailed, CloseArchive(archive));
  EXPECT_TRUE(fake::Contents("out.zip").empty());
}

TEST_F(ArchiveFaults, AFileThatCannotDescribeItselfIsNotOpened) {
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive));
  fake::PutFile("source", {1, 2, 3});
  fake::Fake().faults.failInfoNumber = 1;
  EXPECT_EQ(ArchiveOpenFailed, AddFileToArchive(archive, "source", "source"));
  EXPECT_EQ(FailedSourceOpen, LastArchiveFailure(archive).reason);
  EXPECT_EQ(1, fake::Fake().openHandles);  // the output only
  EXPECT_EQ(ArchiveOk, CloseArchive(archive));
}

}  // namespace
