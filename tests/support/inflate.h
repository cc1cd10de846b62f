// zlib's raw inflate, the one oracle of deflate streams for every test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Inflates the raw deflate stream of `size` bytes into *out. Returns false,
// with the reason in *problem, when the stream is invalid, incomplete, or
// does not end exactly at its last byte.
bool InflateRaw(const uint8_t* data, size_t size, std::vector<uint8_t>* out, std::string* problem);
