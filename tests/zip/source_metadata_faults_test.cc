// Reading a source's metadata when the platform fails, and metadata from the
// clock, through the in-memory stand-in of the platform layer.
#include "zip/source_metadata.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"
#include "zip/dos_time.h"

namespace {

using SourceMetadataFaults = FakePlatformTest;

TEST_F(SourceMetadataFaults, ASourceThatCannotBeRewoundIsNotDescribed) {
  // Its data would be read from where the executable test left it: an entry
  // missing its first bytes, with a CRC that matches what it holds.
  fake::PutFile("source", {1, 2, 3});
  FileInfo info{};
  const FileHandle source = OpenInputFile("source", &info);
  fake::Fake().faults.failPositionNumber = fake::Fake().calls.positions + 1;
  SourceMetadata metadata{};
  EXPECT_FALSE(ReadFileMetadata(source, info, DosTimeLocal, &metadata));
  CloseFile(source);
}

TEST_F(SourceMetadataFaults, ExecutableTestReadFailuresOnlyClearTheExecuteBit) {
  std::vector<uint8_t> program(300, 0);
  program[0] = 'M';
  program[1] = 'Z';
  program[60] = 128;
  program[128] = 'P';
  program[129] = 'E';
  fake::PutFile("program.exe", program);
  FileInfo info{};
  const FileHandle source = OpenInputFile("program.exe", &info);
  // The head, then the signature.
  for (int failing = 1; failing <= 2; ++failing) {
    fake::Fake().calls.reads = 0;
    fake::Fake().faults.failReadNumber = failing;
    SourceMetadata metadata{};
    EXPECT_TRUE(ReadFileMetadata(source, info, DosTimeLocal, &metadata));
    EXPECT_EQ(0x81800020u, metadata.externalAttributes) << "read " << failing << " failed";
  }
  fake::Fake().faults.failReadNumber = 0;
  SourceMetadata metadata{};
  EXPECT_TRUE(ReadFileMetadata(source, info, DosTimeLocal, &metadata));
  EXPECT_EQ(0x81C00020u, metadata.externalAttributes);
  CloseFile(source);
}

TEST_F(SourceMetadataFaults, MetadataFromTheClockUsesLocalDosAndUtcUnixTimes) {
  // 2024-03-09 10:15:37 UTC, in a zone two hours ahead.
  fake::Fake().utcNow = 133544529370000000ull;
  fake::Fake().localOffsetTicks = 2 * 3600 * 10000000ll;
  SourceMetadata metadata{};
  CurrentTimeMetadata(&metadata, DosTimeLocal);
  EXPECT_EQ(1709979337, metadata.modifyTime);
  EXPECT_EQ(1709979337, metadata.accessTime);
  EXPECT_EQ(1709979337, metadata.createTime);
  EXPECT_EQ(((((2024u - 1980) << 9) | (3u << 5) | 9u) << 16) | (12u << 11) | (15u << 5) | 18u, metadata.dosDateTime);
  EXPECT_EQ(0x80000000u, metadata.externalAttributes);
}

// An archive asked for UTC DOS times gives the same bytes in every zone:
// the clock's time, a file's and the latest entry time alike.
TEST_F(SourceMetadataFaults, DosTimesInUtcLeaveTheZoneOutOfEveryEntry) {
  const FileTime clock = 133544529370000000ull;          // 2024-03-09 10:15:37 UTC
  const FileTime written = clock - 86400 * 10000000ull;  // a day before
  const FileTime latest = clock - 3600 * 10000000ull;    // an hour before
  const uint32_t dosClock = ((((2024u - 1980) << 9) | (3u << 5) | 9u) << 16) | (10u << 11) | (15u << 5) | 18u;
  const uint32_t dosWritten = ((((2024u - 1980) << 9) | (3u << 5) | 8u) << 16) | (10u << 11) | (15u << 5) | 18u;
  const uint32_t dosLatest = ((((2024u - 1980) << 9) | (3u << 5) | 9u) << 16) | (9u << 11) | (15u << 5) | 18u;
  fake::Fake().utcNow = clock;
  for (const int64_t hoursAhead : {int64_t{2}, int64_t{-8}, int64_t{9}}) {
    fake::Fake().localOffsetTicks = hoursAhead * 3600 * 10000000ll;
    SourceMetadata now{};
    CurrentTimeMetadata(&now, DosTimeUtc);
    EXPECT_EQ(dosClock, now.dosDateTime) << hoursAhead;
    ClampTimes(&now, latest, DosTimeUtc);
    EXPECT_EQ(dosLatest, now.dosDateTime) << hoursAhead;

    ZipArchive* archive = nullptr;
    ArchiveOptions options;
    options.dosTimeZone = DosTimeUtc;
    options.latestEntryTime = latest;
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive, options).code);
    fake::PutFile("old.txt", {1, 2, 3}).info.lastWriteTime = written;
    fake::PutFile("new.txt", {4, 5, 6}).info.lastWriteTime = clock;
    ASSERT_EQ(ArchiveOk, AddFileToArchive(archive, "old.txt", "old.txt").code);
    ASSERT_EQ(ArchiveOk, AddFileToArchive(archive, "new.txt", "new.txt").code);
    ASSERT_EQ(ArchiveOk, CloseArchive(archive).code);
    const ReadArchive read = ReadZip(fake::Contents("out.zip"));
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(2u, read.entries.size());
    // The reader holds the local header's DOS time to the central one's.
    EXPECT_EQ(dosWritten, read.entries[0].dosDateTime) << hoursAhead;
    EXPECT_EQ(dosLatest, read.entries[1].dosDateTime) << hoursAhead;
  }
  // Without it the zone shows, as it always did.
  fake::Fake().localOffsetTicks = 2 * 3600 * 10000000ll;
  SourceMetadata local{};
  CurrentTimeMetadata(&local, DosTimeLocal);
  EXPECT_EQ(dosClock + (2u << 11), local.dosDateTime);
}

}  // namespace
