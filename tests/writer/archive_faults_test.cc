// Creating and closing archives, and reading metadata, when the platform
// fails, through the in-memory stand-in of the platform layer.
#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "writer/archive.h"
#include "zip/entry_name.h"
#include "zip/source_metadata.h"

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

TEST_F(ArchiveFaults, ASourceThatCannotBeRewoundIsNotDescribed) {
  // Its data would be read from where the executable test left it: an entry
  // missing its first bytes, with a CRC that matches what it holds.
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive));
  fake::PutFile("source", {1, 2, 3});
  FileInfo info{};
  archive->source = OpenInputFile("source", &info);
  archive->flags |= OwnsSource;
  fake::Fake().faults.failPositionNumber = fake::Fake().calls.positions + 1;
  SourceMetadata metadata{};
  EXPECT_EQ(ArchiveReadFailed, ReadFileMetadata(archive, info, &metadata));
  EXPECT_EQ(ArchiveOk, CloseArchive(archive));
}

TEST_F(ArchiveFaults, ExecutableTestReadFailuresOnlyClearTheExecuteBit) {
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive));
  std::vector<uint8_t> program(300, 0);
  program[0] = 'M';
  program[1] = 'Z';
  program[60] = 128;
  program[128] = 'P';
  program[129] = 'E';
  fake::PutFile("program.exe", program);
  FileInfo info{};
  archive->source = OpenInputFile("program.exe", &info);
  archive->flags |= OwnsSource;
  // The head, then the signature.
  for (int failing = 1; failing <= 2; ++failing) {
    fake::Fake().calls.reads = 0;
    fake::Fake().faults.failReadNumber = failing;
    SourceMetadata metadata{};
    EXPECT_EQ(ArchiveOk, ReadFileMetadata(archive, info, &metadata));
    EXPECT_EQ(0x81800020u, metadata.externalAttributes) << "read " << failing << " failed";
  }
  fake::Fake().faults.failReadNumber = 0;
  SourceMetadata metadata{};
  EXPECT_EQ(ArchiveOk, ReadFileMetadata(archive, info, &metadata));
  EXPECT_EQ(0x81C00020u, metadata.externalAttributes);
  EXPECT_EQ(ArchiveOk, CloseArchive(archive));
}

TEST_F(ArchiveFaults, MetadataFromTheClockUsesLocalDosAndUtcUnixTimes) {
  // 2024-03-09 10:15:37 UTC, in a zone two hours ahead.
  fake::Fake().utcNow = 133544529370000000ull;
  fake::Fake().localOffsetTicks = 2 * 3600 * 10000000ll;
  SourceMetadata metadata{};
  CurrentTimeMetadata(&metadata);
  EXPECT_EQ(1709979337, metadata.modifyTime);
  EXPECT_EQ(1709979337, metadata.accessTime);
  EXPECT_EQ(1709979337, metadata.createTime);
  EXPECT_EQ(((((2024u - 1980) << 9) | (3u << 5) | 9u) << 16) | (12u << 11) | (15u << 5) | 18u, metadata.dosDateTime);
  EXPECT_EQ(0x80000000u, metadata.externalAttributes);
}

}  // namespace
