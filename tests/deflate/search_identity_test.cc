// The fast match search against the plain one: CompressStream, with its
// chains on longer prefixes, must write exactly the bytes of
// ReferenceCompressStream,
// which walks the 3-byte chain candidate by candidate. Both share the block
// coder, so a difference in the bytes is a difference in the matches found.
//
// The inputs are built for the places where the two searches could part:
// long text, on which the longer chains are switched on; long matches across
// the half window (32768) and the slide point (65274), where positions and
// links are rebased; inputs that switch the longer chains off and on again,
// which leaves entries of the earlier period in their tables; the last bytes
// of an input, where the fast search falls back to the plain walk; an input
// that follows another in the same state; and reads cut short, so that the
// window is refilled at odd points.
//
// Each compression also records whether the longer chains were on whenever
// the input was read (the compressor reads at every refill, so short reads
// sample it at least every thousand bytes), and each input names the
// switching it is built for: an input that no longer reaches the fast search,
// say after its thresholds were tuned, fails instead of passing for nothing.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "deflate/compressor.h"
#include "deflate/deflate_state.h"
#include "tests/support/deflate_harness.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/reference_compressor.h"
#include "tests/support/test_data.h"

namespace {

using Compress = DeflateResult (*)(DeflateState*, DeflateStream*);

struct Compressed {
  std::vector<uint8_t> deflated;
  DeflateResult result;
  uint64_t inputSize;
  uint64_t outputSize;
  // Whether the longer chains were on at each read, repeats collapsed, as
  // "off on off on".
  std::string longChains;
};

// Compresses `contents` with `compress` on `compressor`, every read
// returning at most `readLimit` bytes (0 for no limit).
Compressed CompressWith(Compress compress, DeflateState* compressor, const std::vector<uint8_t>& contents,
                        uint32_t readLimit) {
  MemoryStream stream(contents);
  stream.largestRead = readLimit;
  std::string longChains;
  int last = -1;
  stream.beforeEachRead = [compressor, &longChains, &last] {
    const int on = compressor->longChainsOn != 0 ? 1 : 0;
    if (on == last) return;
    if (!longChains.empty()) longChains += ' ';
    longChains += on != 0 ? "on" : "off";
    last = on;
  };
  const DeflateResult result = compress(compressor, stream.Stream());
  return Compressed{stream.output, result, stream.Stream()->inputSize, stream.Stream()->outputSize, longChains};
}

std::vector<uint8_t> Run(size_t count, uint8_t value) { return std::vector<uint8_t>(count, value); }

// `block` repeated to `length` bytes; when `mutate`, each copy has one byte
// changed, at a place that moves from copy to copy, so that the nearest copy
// is seldom the longest match and a search must weigh several candidates.
std::vector<uint8_t> Repeated(const std::vector<uint8_t>& block, size_t length, bool mutate) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = block[i % block.size()];
  if (mutate) {
    for (size_t copy = 1; copy * block.size() < length; ++copy) {
      const size_t at = copy * block.size() + (copy * 97) % block.size();
      if (at < length) bytes[at] = static_cast<uint8_t>(bytes[at] ^ 0x20);
    }
  }
  return bytes;
}

// Text, then an earlier stretch of it repeated, then `tail` bytes of another
// earlier stretch: the input ends within a few bytes of a long match, where
// the fast search hands over to the plain walk.
std::vector<uint8_t> TextEndingInRepeat(size_t tail) {
  const std::vector<uint8_t> text = WordText(40000, 31);
  std::vector<uint8_t> bytes = text;
  bytes.insert(bytes.end(), text.begin() + 12000, text.begin() + 12300);
  bytes.insert(bytes.end(), text.begin() + 25000, text.begin() + 25000 + static_cast<std::ptrdiff_t>(tail));
  return bytes;
}

// Text of `prefix` bytes to switch the longer chains on, then `block`
// repeated up to `length` bytes in all.
std::vector<uint8_t> TextThenRepeats(size_t prefix, const std::vector<uint8_t>& block, size_t length, bool mutate) {
  return Bytes({WordText(prefix, 41), Repeated(block, length - prefix, mutate)});
}

// One long prefix over and over, each time followed by two random letters:
// every search finds well over a thousand candidates that share the prefix
// and spends its whole budget on them, so whether the candidate just past the
// budget is examined shows in the matches.
std::vector<uint8_t> PrefixRepeats(size_t length, uint32_t seed) {
  const std::string prefix = "<entry kind=\"record\" value=\"";
  std::mt19937 generator(seed);
  std::string text;
  while (text.size() < length) {
    text += prefix;
    for (int i = 0; i < 2; ++i) text += static_cast<char>('a' + generator() % 26);
    text += "\"/>\n";
  }
  text.resize(length);
  return std::vector<uint8_t>(text.begin(), text.end());
}

// A string whose only earlier copy lies exactly the farthest distance back
// (32506), found by a search that already holds a 3-byte match for the byte
// before it: the first candidate sits on the limit, where no later one may,
// and beats the match held.
std::vector<uint8_t> MatchAtTheFarthestDistance() {
  std::vector<uint8_t> far(32);
  for (size_t i = 0; i < far.size(); ++i) far[i] = static_cast<uint8_t>(0x80 + 3 * i);
  const size_t first = 40000;
  const size_t second = first + 32506;
  std::vector<uint8_t> bytes = WordText(first, 61);
  bytes.insert(bytes.end(), far.begin(), far.end());
  const std::vector<uint8_t> filler = WordText(second - 2000 - bytes.size(), 62);
  bytes.insert(bytes.end(), filler.begin(), filler.end());
  // 'q' and the string's first two bytes, then another third byte.
  bytes.insert(bytes.end(), {'q', far[0], far[1], '!'});
  const std::vector<uint8_t> moreFiller = WordText(second - 1 - bytes.size(), 63);
  bytes.insert(bytes.end(), moreFiller.begin(), moreFiller.end());
  bytes.push_back('q');
  bytes.insert(bytes.end(), far.begin(), far.end());
  const std::vector<uint8_t> after = WordText(20000, 64);
  bytes.insert(bytes.end(), after.begin(), after.end());
  return bytes;
}

struct Input {
  const char* name;
  std::function<std::vector<uint8_t>()> make;
  // What the longer chains must have done, as a part of the reads' record:
  // "on" keeps them on from the start whatever they save, to test the search
  // on them at the edges each input is made for; the others test when the
  // compressor itself switches them.
  const char* longChains;
};

// A ~300-byte block of words and one of random bytes, for the repeats.
std::vector<uint8_t> WordBlock() { return WordText(293, 51); }
std::vector<uint8_t> RandomBlock() { return RandomBytes(307, 52); }

const Input kInputs[] = {
    {"LongText", [] { return WordText(600000, 1); }, "on"},
    {"PrefixRepeats", [] { return PrefixRepeats(200000, 21); }, "on"},
    {"MatchAtTheFarthestDistance", MatchAtTheFarthestDistance, "on"},
    {"TextWithAZeroRunAcrossTheHalfWindow",
     [] {
       return Bytes({WordText(32768 - 300, 2), Run(700, 0), WordText(60000, 3)});
     },
     "on"},
    {"TextWithAZeroRunAcrossTheSlidePoint",
     [] {
       return Bytes({WordText(65274 - 700, 4), Run(1500, 0), WordText(40000, 5)});
     },
     "on"},
    {"TextWithRunsAcrossLaterSlides",
     [] {
       return Bytes(
           {WordText(98304 - 260, 6), Run(520, 'e'), WordText(32768 - 260, 7), Run(520, ' '), WordText(20000, 8)});
     },
     "on"},
    {"TextThenAZeroRunTo65536Plus258",
     [] {
       return Bytes({WordText(30000, 42), Run(65536 + 258 - 30000, 0)});
     },
     "on"},
    {"MutatedWordBlocksTo65536", [] { return TextThenRepeats(30000, WordBlock(), 65536, true); }, "on"},
    {"MutatedWordBlocksTo65536Plus258", [] { return TextThenRepeats(30000, WordBlock(), 65536 + 258, true); }, "on"},
    {"MutatedWordBlocksTo98304Minus1", [] { return TextThenRepeats(30000, WordBlock(), 98304 - 1, true); }, "on"},
    {"MutatedWordBlocksTo98304Plus1", [] { return TextThenRepeats(30000, WordBlock(), 98304 + 1, true); }, "on"},
    {"RandomBlocksTo65536Plus258", [] { return TextThenRepeats(30000, RandomBlock(), 65536 + 258, false); }, "on"},
    {"MutatedRandomBlocksTo98304Plus1", [] { return TextThenRepeats(30000, RandomBlock(), 98304 + 1, true); }, "on"},
    {"TextThenRandomThenTextThenRuns",
     [] {
       return Bytes({WordText(150000, 9), RandomBytes(100000, 10), WordText(150000, 11), Run(70000, 0),
                     WordText(30000, 12), Repeated(RandomBlock(), 40000, false), WordText(30000, 13)});
     },
     "on off on"},
    // Stretches of random bytes shorter than a window: when the longer chains
    // come on again, the positions they must enter reach back into those
    // entered in the period before.
    {"TextWithRandomStretchesOfLessThanAWindow",
     [] {
       return Bytes({WordText(60000, 14), RandomBytes(28000, 15), WordText(30000, 16), RandomBytes(32000, 17),
                     WordText(40000, 18), RandomBytes(24000, 19), WordText(40000, 20)});
     },
     "on off on"},
    {"TextEndingInARepeat", [] { return TextEndingInRepeat(0); }, "on"},
    {"TextEndingOneByteAfterARepeat", [] { return TextEndingInRepeat(1); }, "on"},
    {"TextEndingFourBytesAfterARepeat", [] { return TextEndingInRepeat(4); }, "on"},
    {"TextEndingSevenBytesAfterARepeat", [] { return TextEndingInRepeat(7); }, "on"},
    {"TextEndingEightBytesAfterARepeat", [] { return TextEndingInRepeat(8); }, "on"},
    {"TextEndingNineBytesAfterARepeat", [] { return TextEndingInRepeat(9); }, "on"},
};

// The ways the fast search compresses each input: from a fresh state or as
// the second input of its compressor, with whole or short reads.
struct Way {
  const char* name;
  bool afterAnotherInput;
  uint32_t readLimit;
};

const Way kWays[] = {
    {"fresh, whole reads", false, 0},
    {"after another input, whole reads", true, 0},
    {"fresh, reads of at most 997 bytes", false, 997},
    {"after another input, reads of one byte", true, 1},
};

// Text compressed with the longer chains on that fills the whole window, so
// that the next input meets stale bytes, links and ordinals everywhere.
std::vector<uint8_t> Predecessor() { return WordText(100000, 97); }

class SearchIdentity : public FakePlatformTest, public ::testing::WithParamInterface<Input> {};

TEST_P(SearchIdentity, TheFastSearchWritesTheBytesOfThePlainSearch) {
  const std::vector<uint8_t> contents = GetParam().make();

  DeflateState* compressor = CompressorWithTables();
  const Compressed expected = CompressWith(ReferenceCompressStream, compressor, contents, 0);
  ReleaseCompressor(compressor);
  ASSERT_EQ(DeflateDone, expected.result);
  ASSERT_EQ(contents, Inflate(expected.deflated)) << "the reference itself is wrong";

  for (const Way& way : kWays) {
    SCOPED_TRACE(way.name);
    compressor = CompressorWithTables();
    if (way.afterAnotherInput) {
      compressor->longChainsPinned = 1;
      CompressWith(CompressStream, compressor, Predecessor(), way.readLimit);
    }
    compressor->longChainsPinned = std::string(GetParam().longChains) == "on" ? 1 : 0;
    const Compressed actual = CompressWith(CompressStream, compressor, contents, way.readLimit);
    ReleaseCompressor(compressor);

    EXPECT_EQ(DeflateDone, actual.result);
    EXPECT_EQ(expected.inputSize, actual.inputSize);
    EXPECT_EQ(expected.outputSize, actual.outputSize);
    if (actual.deflated != expected.deflated) {
      size_t first = 0;
      while (first < actual.deflated.size() && first < expected.deflated.size() &&
             actual.deflated[first] == expected.deflated[first]) {
        ++first;
      }
      ADD_FAILURE() << "other bytes than the plain search: " << actual.deflated.size() << " against "
                    << expected.deflated.size() << ", first difference at byte " << first;
    }
    // Whole reads come only at the slides, too seldom to see every switch.
    if (way.readLimit != 0) {
      EXPECT_NE(std::string::npos, actual.longChains.find(GetParam().longChains))
          << "the longer chains were " << actual.longChains << " at the reads, not " << GetParam().longChains
          << ": the input no longer tests the fast search as intended";
    }
  }
}

// Where the 3-byte searches are long but every candidate shares the longer
// prefixes too, the longer chains would visit what the 3-byte walk visits and
// cost their upkeep besides: they must stay off, though the searches are as
// long as on text, where they come on.
class LongerChains : public FakePlatformTest {};

TEST_F(LongerChains, StayOffWhereEveryCandidateSharesTheirPrefixes) {
  DeflateState* compressor = CompressorWithTables();
  const Compressed prefixes = CompressWith(CompressStream, compressor, PrefixRepeats(200000, 22), 997);
  const Compressed text = CompressWith(CompressStream, compressor, WordText(200000, 23), 997);
  ReleaseCompressor(compressor);
  EXPECT_EQ("off", prefixes.longChains);
  EXPECT_EQ("off on", text.longChains);
}

INSTANTIATE_TEST_SUITE_P(Inputs, SearchIdentity, ::testing::ValuesIn(kInputs),
                         [](const ::testing::TestParamInfo<Input>& param) { return std::string(param.param.name); });

}  // namespace
