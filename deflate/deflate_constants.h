// The constants and constant tables of the deflate compressor (RFC 1951),
// tied together by static assertions.
#pragma once

#include <cstdint>

// Input window: two halves; the window slides by one half at a time.
constexpr uint32_t kHalfWindow = 32768;
constexpr uint32_t kWindowSize = 2 * kHalfWindow;

// Hash chains: a 15-bit hash of each 3-byte string, updated by shifting in
// one byte at a time, so three updates make it depend on exactly 3 bytes.
constexpr uint32_t kHashBits = 15;
constexpr uint32_t kHashSize = 1u << kHashBits;
constexpr uint32_t kHashMask = kHashSize - 1;
constexpr uint32_t kHashShift = 5;
constexpr uint32_t kChainMask = kHalfWindow - 1;

// The longer prefixes the search may follow chains of, once the match it
// holds is at least one byte shorter than the prefix: 4, 6 and 8 bytes.
constexpr uint32_t kLongChains = 3;
constexpr uint32_t kLongChainPrefix[kLongChains] = {4, 6, 8};
constexpr uint32_t kLongestPrefix = 8;
// A search moves to the longer chains once it holds a match this long: only
// candidates that share one byte more can win, and all of those lie on the
// chain of the shortest prefix.
constexpr uint32_t kLongWalkFrom = kLongChainPrefix[0] - 1;
constexpr uint32_t kLongHashBits = 15;
constexpr uint32_t kLongHashSize = 1u << kLongHashBits;

constexpr uint32_t kMinMatch = 3;
constexpr uint32_t kMaxMatch = 258;
// Bytes kept ahead of the current position while input remains: a longest
// match, plus the 3 bytes of the next string to hash, plus one.
constexpr uint32_t kMinLookahead = kMaxMatch + kMinMatch + 1;
// The farthest distance searched, so that a match never reaches into the half
// of the window that the next slide discards.
constexpr uint32_t kMaxDistance = kHalfWindow - kMinLookahead;
// The window slides once the current position passes this point.
constexpr uint32_t kSlideThreshold = kHalfWindow + kMaxDistance;
// A 3-byte match costs more than three literals when it is farther back.
constexpr uint32_t kTooFarForShortMatch = 4096;

// Symbol buffers of one block.
constexpr uint32_t kSymbolBufferSize = 32768;
constexpr uint32_t kFlagBufferSize = kSymbolBufferSize / 8;
// A block ends at one symbol short of the buffer, so that every frequency,
// with the end-of-block code, fits 16 bits.
constexpr uint32_t kMaxBlockSymbols = kSymbolBufferSize - 1;
// Blocks are checked for an early end every this many symbols.
constexpr uint32_t kEarlyEndInterval = 4096;

// Alphabets.
constexpr uint32_t kLiterals = 256;
constexpr uint32_t kEndOfBlock = 256;
constexpr uint32_t kLengthCodes = 29;
constexpr uint32_t kLiteralLengthSymbols = kLiterals + 1 + kLengthCodes;  // 286
constexpr uint32_t kFixedLiteralLengthSymbols = 288;
constexpr uint32_t kDistanceSymbols = 30;
constexpr uint32_t kCodeLengthSymbols = 19;
constexpr uint32_t kRepeatPrevious = 16;  // 3-6 copies of the previous length
constexpr uint32_t kRepeatZero = 17;      // 3-10 zeros
constexpr uint32_t kRepeatZeroLong = 18;  // 11-138 zeros
constexpr uint32_t kMaxCodeBits = 15;
constexpr uint32_t kMaxCodeLengthBits = 7;
// Room for every leaf and internal node of the largest tree.
constexpr uint32_t kHeapSize = 2 * kLiteralLengthSymbols + 1;

// Every input is compressed at this level.
constexpr uint32_t kCompressionLevel = 8;

// Search limits of each level.
struct LevelLimits {
  uint16_t chainCutLength;  // a previous match this long quarters the chain budget
  uint16_t lazyLimit;       // no search while the previous match is this long
  uint16_t stopLength;      // a search ends at a match this long
  uint16_t chainLimit;      // candidates one search examines at most
};

constexpr LevelLimits kLevelLimits[10] = {
    {0, 0, 0, 0},    {4, 4, 8, 4},      {4, 5, 16, 8},     {4, 6, 32, 32},       {4, 4, 16, 16},
    {8, 16, 32, 32}, {8, 16, 128, 128}, {8, 32, 128, 256}, {32, 128, 258, 1024}, {32, 258, 258, 4096},
};

// Extra bits of the length codes 257-285.
constexpr int32_t litExtraBits[kLengthCodes] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Extra bits of the distance codes 0-29.
constexpr int32_t distExtraBits[kDistanceSymbols] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                     6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// Extra bits of the code-length alphabet: only the three repeat codes have any.
constexpr int32_t codeLenExtraBits[kCodeLengthSymbols] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};
// The order in which code-length code lengths are sent.
constexpr uint8_t codeLenOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

static_assert(kWindowSize == 2 * kHalfWindow, "the window is two halves");
static_assert(kLongChainPrefix[0] >= 4 && kLongChainPrefix[kLongChains - 1] == kLongestPrefix,
              "a candidate sharing the shortest prefix shares four bytes; the last prefix is the longest");
static_assert(kMinLookahead == 262 && kMaxDistance == 32506 && kSlideThreshold == 65274,
              "lookahead, farthest distance and slide point belong together");
static_assert(kSlideThreshold + kMinLookahead == kWindowSize,
              "a full lookahead past the slide point still fits the window");
static_assert(kChainMask + 1 == kHalfWindow, "one chain link per position of a half window");
static_assert(kHashShift * kMinMatch >= kHashBits, "three hash updates shift the oldest byte out");
static_assert(kMaxDistance <= 32768, "deflate distances reach 32768 at most");
static_assert(kFlagBufferSize * 8 == kSymbolBufferSize, "one flag bit per symbol");
static_assert(kMaxBlockSymbols + 1 <= 65535, "frequencies, with the end-of-block code, fit 16 bits");
static_assert(kLevelLimits[kCompressionLevel].stopLength <= kMaxMatch,
              "a search never wants more than a longest match");
