// Byte expectations written as hex text, e.g. "50 4B 03 04".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> Hex(const std::string& text);

// Concatenates pieces of an expected byte string.
std::vector<uint8_t> Bytes(std::initializer_list<std::vector<uint8_t>> pieces);
std::vector<uint8_t> Text(const std::string& text);
