// Creating and closing archives on real files.
#include "zip/archive.h"

#include <gtest/gtest.h>

#include "tests/support/test_data.h"
#include "tests/support/test_files.h"
#include "zip/output_channel.h"

namespace {

TEST(CreateArchive, StartsAnEmptyOwnedSeekableArchiveAndReplacesAnOldFile) {
  TempDir dir;
  const std::string path = dir.File("new.zip");
  WriteWholeFile(path, RandomBytes(1000, 9));
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive));
  ASSERT_NE(nullptr, archive);
  EXPECT_EQ(0x06u, archive->flags);
  EXPECT_EQ(0u, archive->archiveOffset);
  EXPECT_EQ(ArchiveOk, archive->errorCode);
  EXPECT_EQ(nullptr, archive->entryList);
  EXPECT_EQ(nullptr, archive->deflateState);
  EXPECT_EQ(ArchiveOk, CloseArchive(archive));
  EXPECT_EQ(22u, ReadWholeFile(path).size());
}

TEST(CreateArchive, FailsWithoutWritingWhenTheFileCannotBeCreated) {
  TempDir dir;
  ZipArchive* archive = reinterpret_cast<ZipArchive*>(&dir);
  EXPECT_EQ(ArchiveOpenFailed, CreateArchiveOnFile(dir.File("missing/out.zip").c_str(), &archive));
  EXPECT_EQ(nullptr, archive);
}

TEST(CloseArchive, RefusesANullArchive) { EXPECT_EQ(ArchiveBadArgument, CloseArchive(nullptr)); }

TEST(CloseArchive, WritesNoDirectoryAfterAFailureAndReturnsIt) {
  TempDir dir;
  const std::string path = dir.File("failed.zip");
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive));
  WriteBytes(archive, "PK", 2);
  archive->errorCode = ArchiveReadFailed;
  EXPECT_EQ(ArchiveReadFailed, CloseArchive(archive));
  // The output was closed: Windows would refuse to read it otherwise.
  EXPECT_EQ(Text("PK"), ReadWholeFile(path));
}

TEST(CloseArchive, DoesNotWriteTheDirectoryTwice) {
  TempDir dir;
  const std::string path = dir.File("finished.zip");
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive));
  archive->flags |= Finished;
  EXPECT_EQ(ArchiveOk, CloseArchive(archive));
  EXPECT_TRUE(ReadWholeFile(path).empty());
}

}  // namespace
