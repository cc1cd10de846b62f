// Metadata of real files. This program runs with TZ=UTC, so DOS times read
// as UTC here; time_zone_test.cc covers a zone with daylight saving.
#include "zip/source_metadata.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "tests/support/test_files.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"
#include "zip/dos_time.h"

namespace {

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

// A file that starts "MZ", keeps `headerOffset` at 60 and `signature` there.
std::vector<uint8_t> ProgramImage(size_t size, uint32_t headerOffset, const char* signature) {
  std::vector<uint8_t> bytes(size, 0x90);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  PutU32(bytes, 60, headerOffset);
  if (headerOffset + 4 <= size) memcpy(bytes.data() + headerOffset, signature, 4);
  return bytes;
}

class SourceMetadataTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseFile(source_); }

  // Opens `path` as the source; *info describes it as the open found it.
  bool Open(const std::string& path, FileInfo* info) {
    CloseFile(source_);
    source_ = OpenInputFile(path.c_str(), info);
    return source_ != kNoFile;
  }

  // Reads the metadata of a file with these contents; the source stays open.
  SourceMetadata MetadataOf(const std::vector<uint8_t>& contents, bool readOnly = false) {
    const std::string path = dir_.File("source" + std::to_string(++files_));
    WriteWholeFile(path, contents);
    if (readOnly) SetReadOnly(path, true);
    FileInfo info{};
    EXPECT_TRUE(Open(path, &info));
    SourceMetadata metadata{};
    EXPECT_TRUE(ReadFileMetadata(source_, info, DosTimeLocal, &metadata));
    return metadata;
  }

  TempDir dir_;
  FileHandle source_ = kNoFile;
  int files_ = 0;
};

TEST_F(SourceMetadataTest, PlainAndReadOnlyFilesGetTheirModesAndDosBits) {
  EXPECT_EQ(0x81800020u, MetadataOf(RandomBytes(100, 1)).externalAttributes);
  EXPECT_EQ(0x81000021u, MetadataOf(RandomBytes(100, 1), true).externalAttributes);
  EXPECT_EQ(0x81800020u, MetadataOf({}).externalAttributes);
}

TEST_F(SourceMetadataTest, ProgramsWithAKnownSignatureAreExecutable) {
  for (const char* signature : {"PE\0\0", "NE\0\0", "LE\0\0", "MZ\0\0"}) {
    EXPECT_EQ(0x81C00020u, MetadataOf(ProgramImage(300, 128, signature)).externalAttributes) << signature;
  }
  EXPECT_EQ(0x81000021u | 0x00400000u, MetadataOf(ProgramImage(300, 128, "PE\0\0"), true).externalAttributes);
}

TEST_F(SourceMetadataTest, TheExecutableTestRefusesEverythingElse) {
  EXPECT_EQ(0x81800020u, MetadataOf(ProgramImage(300, 128, "PE\0\1")).externalAttributes);
  EXPECT_EQ(0x81800020u, MetadataOf(ProgramImage(300, 128, "PX\0\0")).externalAttributes);
  std::vector<uint8_t> notMz = ProgramImage(300, 128, "PE\0\0");
  notMz[1] = 'X';
  EXPECT_EQ(0x81800020u, MetadataOf(notMz).externalAttributes);
  // The header must start more than 52 bytes before the end.
  EXPECT_EQ(0x81C00020u, MetadataOf(ProgramImage(300, 300 - 53, "PE\0\0")).externalAttributes);
  EXPECT_EQ(0x81800020u, MetadataOf(ProgramImage(300, 300 - 52, "PE\0\0")).externalAttributes);
  // An offset near 4 GiB must not wrap around into the file.
  EXPECT_EQ(0x81800020u, MetadataOf(ProgramImage(300, 0xFFFFFFF0u, "PE\0\0")).externalAttributes);
  // Files of 40 bytes or less, and files too short to hold the offset at 60.
  EXPECT_EQ(0x81800020u, MetadataOf({'M', 'Z'}).externalAttributes);
  std::vector<uint8_t> tiny(40, 0);
  tiny[0] = 'M';
  tiny[1] = 'Z';
  EXPECT_EQ(0x81800020u, MetadataOf(tiny).externalAttributes);
  tiny.resize(62);
  EXPECT_EQ(0x81800020u, MetadataOf(tiny).externalAttributes);
}

TEST_F(SourceMetadataTest, TheSourceIsReadFromItsStartAfterwards) {
  const std::vector<uint8_t> program = ProgramImage(5000, 128, "PE\0\0");
  MetadataOf(program);
  uint8_t head[4];
  uint32_t count = 0;
  ASSERT_TRUE(ReadFromFile(source_, head, 4, &count));
  ASSERT_EQ(4u, count);
  EXPECT_EQ(0, memcmp(head, program.data(), 4));
}

TEST_F(SourceMetadataTest, TimesComeFromTheFile) {
  const std::string path = dir_.File("dated.txt");
  WriteWholeFile(path, {1, 2, 3});
  // Written 2024-03-09 10:15:37 UTC, read 2024-03-10 00:00:01 UTC.
  const FileTime written = CalendarToFileTime(CalendarTime{2024, 3, 9, 10, 15, 37, 0});
  const FileTime read = CalendarToFileTime(CalendarTime{2024, 3, 10, 0, 0, 1, 0});
  SetFileTimes(path, written, read);
  FileInfo info{};
  ASSERT_TRUE(Open(path, &info));
  SourceMetadata metadata{};
  ASSERT_TRUE(ReadFileMetadata(source_, info, DosTimeLocal, &metadata));
  EXPECT_EQ(1709979337, metadata.modifyTime);
  EXPECT_EQ(1710028801, metadata.accessTime);
  EXPECT_LE(metadata.createTime, static_cast<int32_t>(time(nullptr)) + 60);
  EXPECT_EQ(0x51F2u, metadata.dosDateTime & 0xFFFF);
  EXPECT_EQ(((2024u - 1980) << 9) | (3u << 5) | 9u, metadata.dosDateTime >> 16);
}

TEST(ClampTimes, MovesOnlyLaterTimesBackToTheLimit) {
  const FileTime limit = CalendarToFileTime(CalendarTime{2024, 3, 9, 10, 15, 37, 0});  // 1709979337
  SourceMetadata later{1800000000, 1800000001, 1800000002, 0x12345678, 0x81A40020, UnixTimeToFileTime(1800000001, 0)};
  ClampTimes(&later, limit, DosTimeLocal);
  EXPECT_EQ(1709979337, later.accessTime);
  EXPECT_EQ(1709979337, later.modifyTime);
  EXPECT_EQ(1709979337, later.createTime);
  EXPECT_EQ(ToDosDateTime(UtcToLocalFileTime(limit)), later.dosDateTime);
  EXPECT_EQ(0x81A40020u, later.externalAttributes);

  SourceMetadata earlier{1709979336, 1700000000, 1709979337, 0x12345678, 0, UnixTimeToFileTime(1700000000, 0)};
  ClampTimes(&earlier, limit, DosTimeLocal);
  EXPECT_EQ(1709979336, earlier.accessTime);
  EXPECT_EQ(1700000000, earlier.modifyTime);
  EXPECT_EQ(1709979337, earlier.createTime);
  EXPECT_EQ(0x12345678u, earlier.dosDateTime);  // the write was not moved
}

// A bound after 2038 (SOURCE_DATE_EPOCH=4102444800, say) had wrapped to 1963
// and moved every file back to it.
TEST(ClampTimes, ABoundPastEveryFileChangesNothingEvenAfter2038) {
  const FileTime year2024 = UnixTimeToFileTime(1709979337, 0);
  const SourceMetadata original{1709979337, 1709979337, 1709979337, 0x58694000, 0x81A40020, year2024};
  for (const int64_t bound : {int64_t{2147483647}, int64_t{2147483648}, int64_t{4102444800}, int64_t{253402300799}}) {
    SourceMetadata metadata = original;
    ClampTimes(&metadata, UnixTimeToFileTime(bound, 0), DosTimeLocal);
    EXPECT_EQ(1709979337, metadata.modifyTime) << bound;
    EXPECT_EQ(1709979337, metadata.accessTime) << bound;
    EXPECT_EQ(0x58694000u, metadata.dosDateTime) << bound;
  }
}

// Past 2038 the seconds are all held at one value; the DOS field still
// moves a 2050 file back to a 2045 bound.
TEST(ClampTimes, ComparesTheWriteTimeItselfPast2038) {
  const FileTime year2050 = CalendarToFileTime(CalendarTime{2050, 1, 1, 0, 0, 0, 0});
  const FileTime year2045 = CalendarToFileTime(CalendarTime{2045, 1, 1, 0, 0, 0, 0});
  SourceMetadata metadata{INT32_MAX, INT32_MAX, INT32_MAX, ToDosDateTime(UtcToLocalFileTime(year2050)), 0, year2050};
  ClampTimes(&metadata, year2045, DosTimeLocal);
  EXPECT_EQ(INT32_MAX, metadata.modifyTime);
  EXPECT_EQ(ToDosDateTime(UtcToLocalFileTime(year2045)), metadata.dosDateTime);
}

TEST_F(SourceMetadataTest, AnArchiveWithALatestTimeWritesNoLaterEntryTimes) {
  const std::string path = dir_.File("fresh.txt");
  WriteWholeFile(path, {1, 2, 3});  // written, read and created just now
  const FileTime limit = CalendarToFileTime(CalendarTime{2024, 3, 9, 10, 15, 37, 0});
  ZipArchive* archive = nullptr;
  ArchiveOptions options;
  options.latestEntryTime = limit;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(dir_.File("out.zip").c_str(), &archive, options).code);
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive, "fresh.txt", path.c_str()).code);
  ASSERT_EQ(ArchiveOk, CloseArchive(archive).code);
  const std::vector<uint8_t> zip = ReadWholeFile(dir_.File("out.zip"));
  const ReadArchive read = ReadZip(zip);
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(1u, read.entries.size());
  EXPECT_EQ(1709979337, read.entries[0].modifyTime);
  EXPECT_EQ(ToDosDateTime(limit), read.entries[0].dosDateTime);  // this program runs in UTC
  // The local header's extended timestamp holds modification, access and
  // creation time, in that order, after its 5-byte head.
  const size_t extra = 30 + std::string("fresh.txt").size();
  ASSERT_GT(zip.size(), extra + 17);
  for (size_t at = extra + 5; at < extra + 17; at += 4) {
    const uint32_t seconds = uint32_t{zip[at]} | (uint32_t{zip[at + 1]} << 8) | (uint32_t{zip[at + 2]} << 16) |
                             (uint32_t{zip[at + 3]} << 24);
    EXPECT_EQ(1709979337u, seconds) << "time at offset " << at;
  }
}

TEST(CurrentTimeMetadata, DescribesAPlainFileWrittenNow) {
  const int32_t before = static_cast<int32_t>(time(nullptr));
  SourceMetadata metadata{};
  CurrentTimeMetadata(&metadata, DosTimeLocal);
  const int32_t after = static_cast<int32_t>(time(nullptr));
  EXPECT_EQ(0x80000000u, metadata.externalAttributes);
  EXPECT_GE(metadata.modifyTime, before);
  EXPECT_LE(metadata.modifyTime, after);
  EXPECT_EQ(metadata.modifyTime, metadata.accessTime);
  EXPECT_EQ(metadata.modifyTime, metadata.createTime);
  const FileTime now = kUnixEpochFileTime + static_cast<FileTime>(metadata.modifyTime) * kFileTimeTicksPerSecond;
  EXPECT_EQ(ToDosDateTime(now), metadata.dosDateTime);
}

}  // namespace
