// Local time in a zone with daylight saving: this program runs with
// TZ=America/New_York (UTC-5 in winter, UTC-4 in summer).
#include <gtest/gtest.h>

#include <ctime>

#include "platform/platform.h"
#include "tests/support/test_files.h"
#include "zip/source_metadata.h"

namespace {

FileTime At(int year, int month, int day, int hour, int minute, int second) {
  return CalendarToFileTime(CalendarTime{year, month, day, hour, minute, second, 0});
}

TEST(LocalTime, FollowsTheZoneRulesOfEachDate) {
  EXPECT_EQ(At(2021, 7, 1, 10, 0, 0) + 1234567, UtcToLocalFileTime(At(2021, 7, 1, 14, 0, 0) + 1234567));
  EXPECT_EQ(At(2021, 1, 15, 9, 0, 0), UtcToLocalFileTime(At(2021, 1, 15, 14, 0, 0)));
  EXPECT_EQ(At(1979, 12, 31, 19, 0, 0), UtcToLocalFileTime(At(1980, 1, 1, 0, 0, 0)));
}

TEST(LocalTime, DosTimesOfFilesAreLocalAndUnixTimesStayUtc) {
  TempDir dir;
  const std::string path = dir.File("summer.txt");
  WriteWholeFile(path, {1});
  SetFileTimes(path, At(2021, 7, 1, 14, 0, 0), At(2021, 1, 15, 14, 0, 0));
  FileInfo info{};
  const FileHandle source = OpenInputFile(path.c_str(), &info);
  ASSERT_NE(kNoFile, source);
  SourceMetadata metadata{};
  ASSERT_TRUE(ReadFileMetadata(source, info, DosTimeLocal, &metadata));
  CloseFile(source);
  EXPECT_EQ(1625148000, metadata.modifyTime);
  EXPECT_EQ(1610719200, metadata.accessTime);
  EXPECT_EQ((((2021u - 1980) << 9) | (7u << 5) | 1u) << 16 | (10u << 11), metadata.dosDateTime);
}

TEST(LocalTime, TheClockGivesLocalDosAndUtcUnixTimes) {
  const time_t before = time(nullptr);
  SourceMetadata metadata{};
  CurrentTimeMetadata(&metadata, DosTimeLocal);
  const time_t after = time(nullptr);
  EXPECT_GE(metadata.modifyTime, static_cast<int32_t>(before));
  EXPECT_LE(metadata.modifyTime, static_cast<int32_t>(after));
  struct tm utc;
  const time_t stamp = metadata.modifyTime;
#ifdef _WIN32
  gmtime_s(&utc, &stamp);
#else
  gmtime_r(&stamp, &utc);
#endif
  const int dosHour = static_cast<int>((metadata.dosDateTime >> 11) & 0x1F);
  const int behind = (utc.tm_hour - dosHour + 24) % 24;
  EXPECT_TRUE(behind == 4 || behind == 5) << "UTC hour " << utc.tm_hour << ", DOS hour " << dosHour;
}

}  // namespace
