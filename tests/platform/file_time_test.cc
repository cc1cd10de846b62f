#include "platform/file_time.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The system's own calendar conversion, as the independent answer.
bool SystemCalendar(FileTime time, CalendarTime* calendar) {
#ifdef _WIN32
  FILETIME value{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  SYSTEMTIME fields;
  if (!FileTimeToSystemTime(&value, &fields)) return false;
  *calendar = CalendarTime{fields.wYear,   fields.wMonth,  fields.wDay,         fields.wHour,
                           fields.wMinute, fields.wSecond, fields.wMilliseconds};
#else
  const int64_t ticks = static_cast<int64_t>(time) - static_cast<int64_t>(kUnixEpochFileTime);
  int64_t remainder = ticks % 10000000;
  if (remainder < 0) remainder += 10000000;
  const time_t seconds = static_cast<time_t>((ticks - remainder) / 10000000);
  struct tm fields;
  if (gmtime_r(&seconds, &fields) == nullptr) return false;
  *calendar = CalendarTime{fields.tm_year + 1900,
                           fields.tm_mon + 1,
                           fields.tm_mday,
                           fields.tm_hour,
                           fields.tm_min,
                           fields.tm_sec,
                           static_cast<int>(remainder / 10000)};
#endif
  return true;
}

void ExpectSameCalendar(const CalendarTime& expected, const CalendarTime& actual, FileTime time) {
  EXPECT_EQ(expected.year, actual.year) << time;
  EXPECT_EQ(expected.month, actual.month) << time;
  EXPECT_EQ(expected.day, actual.day) << time;
  EXPECT_EQ(expected.hour, actual.hour) << time;
  EXPECT_EQ(expected.minute, actual.minute) << time;
  EXPECT_EQ(expected.second, actual.second) << time;
  EXPECT_EQ(expected.millisecond, actual.millisecond) << time;
}

TEST(FileTimeCalendar, AgreesWithTheSystemAcrossFourCenturies) {
  std::mt19937_64 generator(1601);
  // 1601 to about 2500, including leap days and century years.
  std::uniform_int_distribution<uint64_t> anyTime(0, 0x0400000000000000ull);
  for (int i = 0; i < 20000; ++i) {
    const FileTime time = anyTime(generator);
    CalendarTime expected;
    ASSERT_TRUE(SystemCalendar(time, &expected)) << time;
    const CalendarTime actual = FileTimeToCalendar(time);
    ExpectSameCalendar(expected, actual, time);
    EXPECT_EQ(time - time % 10000, CalendarToFileTime(actual));
  }
}

TEST(FileTimeCalendar, HandlesTheEdgesOfTheCalendar) {
  ExpectSameCalendar(CalendarTime{1601, 1, 1, 0, 0, 0, 0}, FileTimeToCalendar(0), 0);
  ExpectSameCalendar(CalendarTime{1970, 1, 1, 0, 0, 0, 0}, FileTimeToCalendar(kUnixEpochFileTime), 0);
  // 2000 is a leap year, 2100 is not.
  const FileTime leapDay2000 = CalendarToFileTime(CalendarTime{2000, 2, 29, 12, 0, 0, 0});
  ExpectSameCalendar(CalendarTime{2000, 3, 1, 12, 0, 0, 0},
                     FileTimeToCalendar(leapDay2000 + 86400ull * kFileTimeTicksPerSecond), leapDay2000);
  const FileTime lastOfFebruary2100 = CalendarToFileTime(CalendarTime{2100, 2, 28, 23, 59, 59, 999});
  ExpectSameCalendar(CalendarTime{2100, 3, 1, 0, 0, 0, 0}, FileTimeToCalendar(lastOfFebruary2100 + 10000),
                     lastOfFebruary2100);
}

TEST(FileTimeCalendar, UnixTimesConvertExactlyAndClampBefore1601) {
  EXPECT_EQ(kUnixEpochFileTime, UnixTimeToFileTime(0, 0));
  EXPECT_EQ(kUnixEpochFileTime + 15, UnixTimeToFileTime(0, 1599));
  EXPECT_EQ(kUnixEpochFileTime - 10000000, UnixTimeToFileTime(-1, 0));
  EXPECT_EQ(0u, UnixTimeToFileTime(-11644473600, 0));
  EXPECT_EQ(0u, UnixTimeToFileTime(-11644473601, 0));
  EXPECT_EQ(UINT64_MAX, UnixTimeToFileTime(INT64_MAX, 0));
}

}  // namespace
