// Test inputs and byte expectations: hex text such as "50 4B 03 04",
// concatenated pieces, and reproducible random bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> Hex(const std::string& text);

// Concatenates pieces of an expected byte string.
std::vector<uint8_t> Bytes(std::initializer_list<std::vector<uint8_t>> pieces);
std::vector<uint8_t> Text(const std::string& text);

// Text of `count` bytes: words of a small vocabulary in random order, with
// punctuation and line breaks, so that it compresses like prose.
std::vector<uint8_t> WordText(size_t count, uint32_t seed);

// `count` pseudo-random bytes, the same for the same seed everywhere.
std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed);
