// The Unix times of the extended-timestamp field.
#pragma once

#include <cstdint>

#include "platform/file_time.h"

// The field is documented as signed, yet many readers take it unsigned. The
// two agree only from the epoch to 2038-01-19 03:14:07 UTC, so that is the
// range written.
constexpr int32_t kLatestUnixTime = INT32_MAX;

// Seconds since 1970-01-01 00:00:00 of a file time, truncated toward zero.
// Times before the epoch become 0 and times after 2038-01-19 03:14:07 become
// kLatestUnixTime, as the DOS field is held to its own years: a time never
// wraps into another that looks real.
int32_t ToUnixTime(FileTime time);
