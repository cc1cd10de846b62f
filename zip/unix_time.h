// The Unix times of the extended-timestamp field.
#pragma once

#include <cstdint>

#include "platform/file_time.h"

// Seconds since 1970-01-01 00:00:00 of a file time, truncated toward zero and
// reduced to 32 bits, as the extended-timestamp field holds them.
int32_t ToUnixTime(FileTime time);
