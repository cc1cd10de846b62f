// The literals and matches the compressor chooses, read back from its output
// with the test decoder.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/deflate_decoder.h"
#include "tests/support/deflate_harness.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"

namespace {

using LazyMatching = FakePlatformTest;

std::vector<DecodedSymbol> SymbolsOf(const std::vector<uint8_t>& input) {
  const CompressedBytes entry = CompressBytes(input);
  EXPECT_EQ(DeflateDone, entry.result);
  const DecodedStream stream = DecodeDeflate(entry.deflated);
  EXPECT_TRUE(stream.ok) << stream.error;
  EXPECT_EQ(input, stream.output);
  std::vector<DecodedSymbol> symbols;
  for (const DecodedBlock& block : stream.blocks)
    symbols.insert(symbols.end(), block.symbols.begin(), block.symbols.end());
  return symbols;
}

std::vector<DecodedSymbol> Literals(const std::string& text) {
  std::vector<DecodedSymbol> symbols;
  for (char c : text) symbols.push_back(Literal(static_cast<uint8_t>(c)));
  return symbols;
}

// Bytes from a small alphabet that none of the probes below use.
std::vector<uint8_t> Filler(size_t count) {
  std::vector<uint8_t> bytes = RandomBytes(count, 77);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>('a' + b % 13);
  return bytes;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> pieces) { return Bytes(pieces); }

TEST_F(LazyMatching, AStringAtPositionZeroIsNeverACandidate) {
  EXPECT_EQ(Literals("abcabc"), SymbolsOf(Text("abcabc")));
}

TEST_F(LazyMatching, FindsARepeatAfterThePrefix) {
  std::vector<DecodedSymbol> expected = Literals("xabc");
  expected.push_back(Match(3, 3));
  EXPECT_EQ(expected, SymbolsOf(Text("xabcabc")));
}

TEST_F(LazyMatching, TheMatchOfTheNextPositionWaitsOneStep) {
  std::vector<DecodedSymbol> expected = Literals("aa");
  expected.push_back(Match(1, 6));
  EXPECT_EQ(expected, SymbolsOf(Text("aaaaaaaa")));
}

TEST_F(LazyMatching, LongRunsBecomeLongestMatches) {
  std::vector<DecodedSymbol> expected = Literals("xa");
  for (uint32_t length : {258u, 258u, 258u, 225u}) expected.push_back(Match(1, length));
  EXPECT_EQ(expected, SymbolsOf(Join({Text("x"), std::vector<uint8_t>(1000, 'a')})));
}

TEST_F(LazyMatching, ThreeByteMatchesAreUsedUpTo4096BytesBack) {
  // "z" keeps the first probe off position 0; the filler never contains Q, R or S.
  const std::vector<DecodedSymbol> near = SymbolsOf(Join({Text("zQRS"), Filler(4093), Text("QRS")}));
  EXPECT_EQ(Match(4096, 3), near.back());
  const std::vector<DecodedSymbol> far = SymbolsOf(Join({Text("zQRS"), Filler(4094), Text("QRS")}));
  EXPECT_EQ(Literals("QRS"), std::vector<DecodedSymbol>(far.end() - 3, far.end()));
  const std::vector<DecodedSymbol> longer = SymbolsOf(Join({Text("zQRST"), Filler(29996), Text("QRST")}));
  EXPECT_EQ(Match(30000, 4), longer.back());
}

TEST_F(LazyMatching, RepeatsBeyondTheFarthestDistanceAreNotFound) {
  std::vector<uint8_t> unique(64);
  for (size_t i = 0; i < unique.size(); ++i) unique[i] = static_cast<uint8_t>(0x80 + i);
  // Only the newest string of a hash may lie exactly 32506 back; older ones on
  // its chain must be nearer, so 32505 is the distance every string reaches.
  const std::vector<DecodedSymbol> within = SymbolsOf(Join({Text("z"), unique, Filler(32505 - 64), unique}));
  EXPECT_EQ(Match(32505, 64), within.back());
  const std::vector<DecodedSymbol> beyond = SymbolsOf(Join({Text("z"), unique, Filler(32507 - 64), unique}));
  std::vector<DecodedSymbol> literals;
  for (uint8_t b : unique) literals.push_back(Literal(b));
  EXPECT_EQ(literals, std::vector<DecodedSymbol>(beyond.end() - 64, beyond.end()));
}

TEST_F(LazyMatching, MatchesNeverReachFartherThanTheWindowAllows) {
  const std::vector<uint8_t> input = Join({WordText(300000, 5), RandomBytes(100000, 6), WordText(300000, 5)});
  for (const DecodedSymbol& symbol : SymbolsOf(input)) {
    ASSERT_LE(symbol.distance, 32506u);
    if (symbol.length == 3) {
      ASSERT_LE(symbol.distance, 4096u);
    }
  }
}

}  // namespace
