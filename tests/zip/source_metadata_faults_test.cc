// Reading a source's metadata when the platform fails, and metadata from the
// clock, through the in-memory stand-in of the platform layer.
#include "zip/source_metadata.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "writer/archive.h"

namespace {

using SourceMetadataFaults = FakePlatformTest;

TEST_F(SourceMetadataFaults, ASourceThatCannotBeRewoundIsNotDescribed) {
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

TEST_F(SourceMetadataFaults, ExecutableTestReadFailuresOnlyClearTheExecuteBit) {
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

TEST_F(SourceMetadataFaults, MetadataFromTheClockUsesLocalDosAndUtcUnixTimes) {
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
