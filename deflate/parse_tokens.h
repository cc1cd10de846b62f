// The literals and matches of a parse kept as they were found, one 32-bit
// token each, for parses that run apart from the blocks they end up in.
#pragma once

#include <cstdint>

#include "deflate/deflate_constants.h"

// A literal is its byte; a match has the top bit set, its distance above
// bit 9 and its length in the 9 bits below.
constexpr uint32_t kMatchToken = 0x80000000u;
constexpr uint32_t kTokenDistanceShift = 9;
constexpr uint32_t kTokenLengthMask = (1u << kTokenDistanceShift) - 1;
static_assert(kMaxMatch <= kTokenLengthMask && (kMaxDistance << kTokenDistanceShift) < kMatchToken,
              "a match's length and distance fit their fields");

inline uint32_t LiteralToken(uint32_t byte) { return byte; }

inline uint32_t MatchToken(uint32_t distance, uint32_t length) {
  return kMatchToken | distance << kTokenDistanceShift | length;
}

inline bool IsMatch(uint32_t token) { return (token & kMatchToken) != 0; }

inline uint32_t TokenDistance(uint32_t token) { return (token & ~kMatchToken) >> kTokenDistanceShift; }

// The input bytes a token stands for.
inline uint32_t TokenLength(uint32_t token) { return IsMatch(token) ? token & kTokenLengthMask : 1; }
