// The DOS date and time of zip records.
#pragma once

#include <cstdint>

#include "platform/file_time.h"

// Which clock an entry's DOS date and time show. The field has no zone of
// its own, and readers that ignore the extended timestamp show it as it
// stands, so local time is the format's convention; UTC gives the same
// bytes in every time zone, as a reproducible build needs.
enum DosTimeZone : uint8_t { DosTimeLocal = 0, DosTimeUtc = 1 };

// The DOS date and time of a file time, without any time-zone conversion:
// time in the low 16 bits, date in the high 16 bits, seconds halved. The DOS
// field holds the years 1980 to 2107; earlier times become
// 1980-01-01 00:00:00 and later ones 2107-12-31 23:59:58.
uint32_t ToDosDateTime(FileTime time);
