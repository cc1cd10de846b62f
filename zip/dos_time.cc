#include "zip/dos_time.h"

namespace {

constexpr uint32_t kEarliestDosDateTime = (((0u << 9) | (1u << 5) | 1u) << 16) | 0u;
constexpr uint32_t kLatestDosDateTime = (((127u << 9) | (12u << 5) | 31u) << 16) | ((23u << 11) | (59u << 5) | 29u);

}  // namespace

uint32_t ToDosDateTime(FileTime time) {
  const CalendarTime calendar = FileTimeToCalendar(time);
  // The year has seven bits; wrapping would show a 1975 file as 2103.
  if (calendar.year < 1980) return kEarliestDosDateTime;
  if (calendar.year > 2107) return kLatestDosDateTime;
  const uint32_t date = (static_cast<uint32_t>(calendar.year - 1980) << 9) |
                        (static_cast<uint32_t>(calendar.month) << 5) | static_cast<uint32_t>(calendar.day);
  const uint32_t clock = (static_cast<uint32_t>(calendar.hour) << 11) | (static_cast<uint32_t>(calendar.minute) << 5) |
                         static_cast<uint32_t>(calendar.second / 2);
  return (date << 16) | clock;
}
