#include "tests/support/deflate_decoder.h"

#include <array>
#include <cstddef>

namespace {

constexpr uint32_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint32_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint32_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                        33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint32_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct BitReader {
  const std::vector<uint8_t>& data;
  uint64_t position = 0;  // in bits
  bool overrun = false;

  uint32_t Bits(uint32_t count) {
    uint32_t value = 0;
    for (uint32_t i = 0; i < count; ++i, ++position) {
      if (position / 8 >= data.size()) {
        overrun = true;
        return 0;
      }
      value |= static_cast<uint32_t>((data[static_cast<size_t>(position / 8)] >> (position % 8)) & 1) << i;
    }
    return value;
  }
};

// Canonical Huffman decoding table: codes of each length, symbols in order.
struct Huffman {
  std::array<uint32_t, 16> count{};
  std::vector<uint32_t> symbols;
  bool valid = false;
};

Huffman MakeHuffman(const std::vector<uint32_t>& lengths) {
  Huffman h;
  for (uint32_t length : lengths) ++h.count[length];
  h.count[0] = 0;
  // Over-subscribed codes are invalid; incomplete ones are allowed only for a
  // single code, as RFC 1951 permits for distances.
  int64_t left = 1;
  for (uint32_t bits = 1; bits < 16; ++bits) {
    left = left * 2 - h.count[bits];
    if (left < 0) return h;
  }
  std::array<uint32_t, 16> offset{};
  for (uint32_t bits = 1; bits < 15; ++bits) offset[bits + 1] = offset[bits] + h.count[bits];
  h.symbols.resize(lengths.size());
  for (uint32_t symbol = 0; symbol < lengths.size(); ++symbol) {
    if (lengths[symbol] != 0) h.symbols[offset[lengths[symbol]]++] = symbol;
  }
  h.valid = true;
  return h;
}

int32_t DecodeSymbol(BitReader& in, const Huffman& h) {
  int32_t code = 0;
  int32_t first = 0;
  int32_t index = 0;
  for (uint32_t bits = 1; bits < 16; ++bits) {
    code |= static_cast<int32_t>(in.Bits(1));
    const int32_t count = static_cast<int32_t>(h.count[bits]);
    if (code - count < first) return static_cast<int32_t>(h.symbols[static_cast<size_t>(index + (code - first))]);
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  return -1;
}

bool Fail(DecodedStream& stream, const std::string& why) {
  stream.error = why;
  return false;
}

bool DecodeCodes(BitReader& in, const Huffman& lit, const Huffman& dist, bool symbolsOnly, DecodedStream& stream,
                 DecodedBlock& block) {
  for (;;) {
    const int32_t symbol = DecodeSymbol(in, lit);
    if (symbol < 0 || in.overrun) return Fail(stream, "bad literal/length code");
    if (symbol < 256) {
      stream.output.push_back(static_cast<uint8_t>(symbol));
      block.symbols.push_back(Literal(static_cast<uint32_t>(symbol)));
      continue;
    }
    if (symbol == 256) return true;
    const uint32_t lengthIndex = static_cast<uint32_t>(symbol) - 257;
    if (lengthIndex >= 29) return Fail(stream, "bad length symbol");
    const uint32_t length = kLengthBase[lengthIndex] + in.Bits(kLengthExtra[lengthIndex]);
    const int32_t distanceSymbol = DecodeSymbol(in, dist);
    if (distanceSymbol < 0 || distanceSymbol >= 30) return Fail(stream, "bad distance code");
    const uint32_t distance = kDistanceBase[distanceSymbol] + in.Bits(kDistanceExtra[distanceSymbol]);
    block.symbols.push_back(Match(distance, length));
    if (symbolsOnly) continue;
    if (distance > stream.output.size()) return Fail(stream, "distance reaches before the start");
    for (uint32_t i = 0; i < length; ++i) stream.output.push_back(stream.output[stream.output.size() - distance]);
  }
}

bool DecodeDynamicTrees(BitReader& in, Huffman* lit, Huffman* dist, DecodedStream& stream) {
  const uint32_t litCount = in.Bits(5) + 257;
  const uint32_t distCount = in.Bits(5) + 1;
  const uint32_t codeLenCount = in.Bits(4) + 4;
  std::vector<uint32_t> codeLenLengths(19, 0);
  for (uint32_t i = 0; i < codeLenCount; ++i) codeLenLengths[kCodeLengthOrder[i]] = in.Bits(3);
  const Huffman codeLen = MakeHuffman(codeLenLengths);
  if (!codeLen.valid) return Fail(stream, "bad code-length code");
  std::vector<uint32_t> lengths;
  while (lengths.size() < litCount + distCount) {
    const int32_t symbol = DecodeSymbol(in, codeLen);
    if (symbol < 0 || in.overrun) return Fail(stream, "bad code-length symbol");
    if (symbol < 16) {
      lengths.push_back(static_cast<uint32_t>(symbol));
    } else if (symbol == 16) {
      if (lengths.empty()) return Fail(stream, "repeat without a previous length");
      lengths.insert(lengths.end(), 3 + in.Bits(2), lengths.back());
    } else if (symbol == 17) {
      lengths.insert(lengths.end(), 3 + in.Bits(3), 0u);
    } else {
      lengths.insert(lengths.end(), 11 + in.Bits(7), 0u);
    }
  }
  if (lengths.size() != litCount + distCount) return Fail(stream, "code lengths overrun the counts");
  if (lengths[256] == 0) return Fail(stream, "no end-of-block code");
  const auto distanceStart = lengths.begin() + static_cast<std::ptrdiff_t>(litCount);
  *lit = MakeHuffman(std::vector<uint32_t>(lengths.begin(), distanceStart));
  *dist = MakeHuffman(std::vector<uint32_t>(distanceStart, lengths.end()));
  if (!lit->valid || !dist->valid) return Fail(stream, "over-subscribed code");
  return true;
}

}  // namespace

DecodedSymbol Literal(uint32_t byte) { return DecodedSymbol{byte, 0, 0}; }
DecodedSymbol Match(uint32_t distance, uint32_t length) { return DecodedSymbol{0, length, distance}; }

DecodedStream DecodeDeflate(const std::vector<uint8_t>& data, bool symbolsOnly) {
  DecodedStream stream;
  BitReader in{data};
  std::vector<uint32_t> fixedLit(288, 8);
  for (uint32_t n = 144; n < 256; ++n) fixedLit[n] = 9;
  for (uint32_t n = 256; n < 280; ++n) fixedLit[n] = 7;
  const Huffman fixedLitCode = MakeHuffman(fixedLit);
  const Huffman fixedDistCode = MakeHuffman(std::vector<uint32_t>(30, 5));

  bool final = false;
  while (!final) {
    DecodedBlock block;
    block.startBit = in.position;
    const size_t outputBefore = stream.output.size();
    final = in.Bits(1) == 1;
    block.final = final;
    block.type = in.Bits(2);
    if (in.overrun) {
      stream.error = "stream ends inside a block header";
      return stream;
    }
    if (block.type == 0) {
      in.position = (in.position + 7) / 8 * 8;
      const uint32_t length = in.Bits(16);
      const uint32_t complement = in.Bits(16);
      if (in.overrun || (length ^ 0xFFFF) != complement) {
        stream.error = "bad stored block length";
        return stream;
      }
      for (uint32_t i = 0; i < length; ++i) stream.output.push_back(static_cast<uint8_t>(in.Bits(8)));
      if (in.overrun) {
        stream.error = "stored block runs past the end";
        return stream;
      }
    } else if (block.type == 1) {
      if (!DecodeCodes(in, fixedLitCode, fixedDistCode, symbolsOnly, stream, block)) return stream;
    } else if (block.type == 2) {
      Huffman lit;
      Huffman dist;
      if (!DecodeDynamicTrees(in, &lit, &dist, stream) || !DecodeCodes(in, lit, dist, symbolsOnly, stream, block)) {
        return stream;
      }
    } else {
      stream.error = "block type 3";
      return stream;
    }
    block.endBit = in.position;
    block.outputBytes = stream.output.size() - outputBefore;
    stream.blocks.push_back(block);
  }
  stream.bitsUsed = in.position;
  stream.ok = true;
  return stream;
}
