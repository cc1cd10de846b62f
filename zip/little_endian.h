// Little-endian fields read from bytes, as every field of a zip record and
// of a Windows program's headers is stored.
#pragma once

#include <cstdint>

inline uint16_t LoadLittle16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

inline uint32_t LoadLittle32(const uint8_t* at) {
  return static_cast<uint32_t>(LoadLittle16(at)) | static_cast<uint32_t>(LoadLittle16(at + 2)) << 16;
}

inline uint64_t LoadLittle64(const uint8_t* at) {
  return LoadLittle32(at) | static_cast<uint64_t>(LoadLittle32(at + 4)) << 32;
}
