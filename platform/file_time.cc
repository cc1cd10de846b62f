#include "platform/file_time.h"

namespace {

constexpr uint64_t kTicksPerMillisecond = 10000;
constexpr uint64_t kTicksPerDay = 86400ull * kFileTimeTicksPerSecond;

// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kDaysFrom1601To1970 = 134774;

// Civil-from-days and days-from-civil in the proleptic Gregorian calendar,
// counting days from 1970-01-01. Eras of 400 years make both exact without
// tables or loops.
void CivilFromDays(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // March = 0
  *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

int64_t DaysFromCivil(int year, int month, int day) {
  const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

CalendarTime FileTimeToCalendar(FileTime time) {
  const uint64_t days = time / kTicksPerDay;
  const uint64_t ticksOfDay = time % kTicksPerDay;
  CalendarTime calendar{};
  CivilFromDays(static_cast<int64_t>(days) - kDaysFrom1601To1970, &calendar.year, &calendar.month, &calendar.day);
  const uint64_t secondsOfDay = ticksOfDay / kFileTimeTicksPerSecond;
  calendar.hour = static_cast<int>(secondsOfDay / 3600);
  calendar.minute = static_cast<int>(secondsOfDay / 60 % 60);
  calendar.second = static_cast<int>(secondsOfDay % 60);
  calendar.millisecond = static_cast<int>(ticksOfDay % kFileTimeTicksPerSecond / kTicksPerMillisecond);
  return calendar;
}

FileTime CalendarToFileTime(const CalendarTime& calendar) {
  const int64_t days = DaysFromCivil(calendar.year, calendar.month, calendar.day) + kDaysFrom1601To1970;
  const int64_t seconds = days * 86400 + calendar.hour * 3600 + calendar.minute * 60 + calendar.second;
  return static_cast<FileTime>(seconds) * kFileTimeTicksPerSecond +
         static_cast<FileTime>(calendar.millisecond) * kTicksPerMillisecond;
}

FileTime UnixTimeToFileTime(int64_t seconds, uint32_t nanoseconds) {
  const int64_t kEarliest = -static_cast<int64_t>(kUnixEpochFileTime / kFileTimeTicksPerSecond);
  const int64_t kLatest = static_cast<int64_t>(UINT64_MAX / kFileTimeTicksPerSecond) + kEarliest - 1;
  if (seconds < kEarliest) return 0;
  if (seconds > kLatest) return UINT64_MAX;
  return static_cast<FileTime>(seconds - kEarliest) * kFileTimeTicksPerSecond + nanoseconds / 100;
}
