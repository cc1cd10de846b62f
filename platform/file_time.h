// File times and calendar arithmetic.
//
// A file time is the Windows representation: 100-nanosecond intervals since
// 1601-01-01 00:00:00. Whether a value means UTC or local time is up to the
// caller; the arithmetic here never applies a time zone.
#pragma once

#include <cstdint>

using FileTime = uint64_t;

// File time of the Unix epoch, 1970-01-01 00:00:00.
constexpr FileTime kUnixEpochFileTime = 116444736000000000ull;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ull;

// Broken-down calendar time, the fields of a Windows SYSTEMTIME.
struct CalendarTime {
  int year;         // 1601 and later
  int month;        // 1..12
  int day;          // 1..31
  int hour;         // 0..23
  int minute;       // 0..59
  int second;       // 0..59
  int millisecond;  // 0..999
};

// Splits a file time into calendar fields, as FileTimeToSystemTime does.
// Exact for every 64-bit value; years beyond 9999 are reported as they fall.
CalendarTime FileTimeToCalendar(FileTime time);

// Inverse of FileTimeToCalendar for dates from 1601 on. Fields outside their
// ranges are not normalised; callers pass what FileTimeToCalendar or the
// operating system produced.
FileTime CalendarToFileTime(const CalendarTime& calendar);

// Seconds and nanoseconds since the Unix epoch to a file time. Times before
// 1601 become 0.
FileTime UnixTimeToFileTime(int64_t seconds, uint32_t nanoseconds);
