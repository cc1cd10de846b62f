// The CRC-32 of the zip format.
#pragma once

#include <cstdint>

// Continues `crc` (the finished CRC of the bytes before, 0 for none) over
// `length` bytes. Feeding consecutive pieces gives the CRC of the whole.
uint32_t UpdateCrc32(uint32_t crc, const uint8_t* data, uint32_t length);
