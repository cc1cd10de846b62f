// Loads of 16 and 32 bits from any byte address, in the machine's byte order:
// the compressor compares and hashes window bytes a word at a time.
#pragma once

#include <cstdint>
#include <cstring>

inline uint32_t Load16(const uint8_t* at) {
  uint16_t value;
  memcpy(&value, at, sizeof value);
  return value;
}

inline uint32_t Load32(const uint8_t* at) {
  uint32_t value;
  memcpy(&value, at, sizeof value);
  return value;
}
