// A small RFC 1951 decoder for tests that need more than zlib tells: the
// blocks of a stream with their types and bit positions, and the literals and
// matches inside them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DecodedSymbol {
  uint32_t literal;   // the byte, when length is 0
  uint32_t length;    // 0 for a literal, else 3-258
  uint32_t distance;  // 1-32768 for a match
  bool operator==(const DecodedSymbol& other) const {
    return literal == other.literal && length == other.length && distance == other.distance;
  }
};

struct DecodedBlock {
  uint32_t type;  // 0 stored, 1 fixed, 2 dynamic
  bool final;
  uint64_t startBit;     // where the 3-bit header begins
  uint64_t endBit;       // just after the end-of-block code (stored: after the data)
  uint64_t outputBytes;  // bytes the block produces
  std::vector<DecodedSymbol> symbols;
};

struct DecodedStream {
  bool ok = false;
  std::string error;  // why decoding failed
  std::vector<DecodedBlock> blocks;
  std::vector<uint8_t> output;
  uint64_t bitsUsed = 0;  // up to the end of the final block
};

// Decodes a raw deflate stream. With `symbolsOnly`, matches are listed but
// not expanded, so blocks of arbitrary symbols can be checked without the
// history their distances refer to; `output` then holds only literals and
// stored bytes.
DecodedStream DecodeDeflate(const std::vector<uint8_t>& data, bool symbolsOnly = false);

DecodedSymbol Literal(uint32_t byte);
DecodedSymbol Match(uint32_t distance, uint32_t length);
