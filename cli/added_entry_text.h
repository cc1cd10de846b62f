// The line zapnest prints for each file it added: what went in, and what
// compression made of it.
#pragma once

#include <cstdint>
#include <string>

// The text after "name: " for an entry added with `method` (kMethodStored
// or kMethodDeflated) from `uncompressedSize` bytes into `compressedSize`
// bytes of entry data: "N bytes, stored", "N bytes, deflated P%" with P the
// share saved (rounded down), or, where deflate could not make the data
// smaller (a tiny or already compressed file), "N bytes, deflated to M bytes
// (larger)" rather than a negative saving.
std::string AddedEntryText(uint16_t method, uint64_t uncompressedSize, uint64_t compressedSize);
