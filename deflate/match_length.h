// How long the match of two strings in the window is, the innermost step of
// every search and of the replay that weighs the longer chains.
#pragma once

#include <cstdint>
#include <cstring>

#include "deflate/byte_loads.h"
#include "deflate/deflate_constants.h"

// Length of the match of `scan` and `match`, whose first three bytes are
// known to be equal: the offset of the first difference from byte 3 on, at
// most kMaxMatch. Reads up to offset 258.
inline uint32_t MatchLength(const uint8_t* scan, const uint8_t* match) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // Eight bytes at a time: 32 steps cover offsets 3 to 258 exactly. 32-bit
  // targets compare them as two words, since a 64-bit bit scan is a library
  // call there.
  for (uint32_t k = kMinMatch; k < kMaxMatch + 1; k += 8) {
    uint32_t length;
#if UINTPTR_MAX > 0xFFFFFFFFu
    uint64_t a;
    uint64_t b;
    memcpy(&a, scan + k, sizeof a);
    memcpy(&b, match + k, sizeof b);
    const uint64_t difference = a ^ b;
    if (difference == 0) continue;
    length = k + static_cast<uint32_t>(__builtin_ctzll(difference)) / 8;
#else
    const uint32_t low = Load32(scan + k) ^ Load32(match + k);
    if (low != 0) {
      length = k + static_cast<uint32_t>(__builtin_ctz(low)) / 8;
    } else {
      const uint32_t high = Load32(scan + k + 4) ^ Load32(match + k + 4);
      if (high == 0) continue;
      length = k + 4 + static_cast<uint32_t>(__builtin_ctz(high)) / 8;
    }
#endif
    return length < kMaxMatch ? length : kMaxMatch;
  }
  return kMaxMatch;
#else
  uint32_t k = kMinMatch;
  while (k < kMaxMatch && scan[k] == match[k]) ++k;
  return k;
#endif
}
