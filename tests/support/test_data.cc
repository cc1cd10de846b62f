#include "tests/support/test_data.h"

#include <cctype>
#include <random>
#include <stdexcept>
#include <string>

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) throw std::invalid_argument("not hex: " + text);
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd number of hex digits: " + text);
  return bytes;
}

std::vector<uint8_t> Bytes(std::initializer_list<std::vector<uint8_t>> pieces) {
  std::vector<uint8_t> all;
  for (const auto& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

std::vector<uint8_t> Text(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& value : bytes) value = static_cast<uint8_t>(generator());
  return bytes;
}

std::vector<uint8_t> WordText(size_t count, uint32_t seed) {
  static const char* const kWords[] = {"the",     "zip",     "archive", "of",    "a",      "message",    "window",
                                       "deflate", "block",   "and",     "to",    "in",     "compressor", "is",
                                       "with",    "file",    "that",    "for",   "hash",   "chain",      "match",
                                       "literal", "tree",    "Huffman", "code",  "length", "distance",   "stored",
                                       "fixed",   "dynamic", "entry",   "header"};
  std::mt19937 generator(seed);
  std::vector<uint8_t> text;
  text.reserve(count + 16);
  while (text.size() < count) {
    const char* word = kWords[generator() % (sizeof kWords / sizeof kWords[0])];
    text.insert(text.end(), word, word + std::char_traits<char>::length(word));
    const uint32_t roll = generator() % 16;
    text.push_back(roll == 0 ? '\n' : roll == 1 ? ',' : roll == 2 ? '.' : ' ');
  }
  text.resize(count);
  return text;
}
