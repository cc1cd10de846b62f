#include "zip/unix_time.h"

int32_t ToUnixTime(FileTime time) {
  // Before the epoch the field would need a negative value, which readers
  // that take it unsigned show as a date after 2038.
  if (time < kUnixEpochFileTime) return 0;
  const uint64_t seconds = (time - kUnixEpochFileTime) / kFileTimeTicksPerSecond;
  return seconds > static_cast<uint64_t>(kLatestUnixTime) ? kLatestUnixTime : static_cast<int32_t>(seconds);
}
