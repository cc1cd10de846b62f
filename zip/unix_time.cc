#include "zip/unix_time.h"

int32_t ToUnixTime(FileTime time) {
  // Subtracting in unsigned arithmetic and reading the result as signed is the
  // two's-complement difference, without overflow for any input.
  const int64_t ticks = static_cast<int64_t>(time - kUnixEpochFileTime);
  const int64_t seconds = ticks / static_cast<int64_t>(kFileTimeTicksPerSecond);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(seconds)));
}
