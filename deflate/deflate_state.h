// The compressor's working record, created once by CreateCompressor and
// reused by every compression after it.
#pragma once

#include <cstdint>

#include "deflate/deflate_constants.h"
#include "deflate/deflate_stream.h"

// One node of a Huffman tree. While the tree is built the slots hold the
// frequency and the parent; code assignment turns them into the code (stored
// bit-reversed, first bit to send in bit 0) and its length. Computing the
// lengths reads `parent` and writes `codeLen` into the same slot, parents
// before children.
struct TreeNode {
  union {
    uint16_t freq;
    uint16_t code;
  };
  union {
    uint16_t parent;
    uint16_t codeLen;
  };
};

struct TreeDescriptor {
  TreeNode* tree;              // the dynamic tree that is built
  const TreeNode* staticTree;  // fixed tree of the same alphabet, for fixedBlockBits; or none
  const int32_t* extraBits;    // extra bits of each symbol from extraBase on
  int32_t extraBase;
  int32_t symbolCount;  // leaves
  int32_t maxBits;      // longest permitted code
  int32_t lastSymbol;   // output: largest symbol used, after the two-symbol rule
};

// Window positions fit 16 bits (the window is 64 KiB), so the chains hold
// them in 16 bits: half the memory, and a search touches half the cache lines.
using ChainPosition = uint16_t;
static_assert(kWindowSize - 1 <= UINT16_MAX, "window positions must fit a chain entry");

// Allocated once, as one block, by CreateCompressor; released by
// ReleaseCompressor. Nothing here owns anything: `stream` and `outBuf` are
// the caller's, and only set while CompressStream runs.
struct DeflateState {
  DeflateStream* stream;
  // The DeflateResult that stopped the compression; while it is DeflateDone
  // the stream's callbacks are called, never after.
  uint8_t stopped;

  // Trees (Huffman construction, block flushing).
  TreeNode dynLitTree[kHeapSize];
  TreeNode dynDistTree[2 * kDistanceSymbols + 1];
  TreeNode fixedLitTree[kFixedLiteralLengthSymbols];
  TreeNode fixedDistTree[kDistanceSymbols];  // entry 0's codeLen 0: fixed tables not built yet
  TreeNode codeLenTree[2 * kCodeLengthSymbols + 1];
  TreeDescriptor litDesc;
  TreeDescriptor distDesc;
  TreeDescriptor codeLenDesc;
  uint16_t bitLengthCount[kMaxCodeBits + 1];
  int32_t heap[kHeapSize];
  int32_t heapLen;
  int32_t heapMax;
  int32_t lastCodeLenIndex;  // the code-length code's last length sent, for the tree header
  uint8_t depth[kHeapSize];

  // Code maps, built once per state.
  uint8_t lengthCode[256];  // match length - 3 to length code 0-28
  uint8_t distCode[512];    // distance - 1 to distance code: direct below 256, else by (distance - 1) >> 7
  int32_t baseLength[kLengthCodes];
  int32_t baseDist[kDistanceSymbols];

  // Symbols of the current block.
  uint8_t litLenBuf[kSymbolBufferSize];  // literal byte, or match length - 3
  uint16_t distBuf[kSymbolBufferSize];   // distance - 1 of each match
  uint8_t flagBuf[kFlagBufferSize];      // one bit per symbol, 1 = match
  uint32_t litCount;
  uint32_t distCount;
  uint32_t flagCount;
  uint8_t pendingFlags;
  uint8_t flagMask;
  uint32_t dynBlockBits;     // block size in bits with dynamic trees, without the header
  uint32_t fixedBlockBits;   // block size in bits with fixed trees, without the header
  uint32_t compressedBytes;  // whole bytes of the input's deflate data so far
  uint32_t compressedBits;   // bits beyond compressedBytes

  // Bit writer.
  uint32_t bitBuf;  // pending bits, the next to go out in bit 0; at most 16 between calls
  int32_t bitCount;
  uint8_t* outBuf;  // the stream's output buffer
  uint32_t outLen;
  uint32_t outSize;

  // Input window and hash chains.
  uint8_t window[kWindowSize];
  ChainPosition chainPrev[kHalfWindow];  // previous position with the same hash, at p & kChainMask
  ChainPosition hashHead[kHashSize];     // most recent position of each hash; 0 is "none"
  uint32_t windowCapacity;
  int32_t blockBegin;  // where the current block's input begins; negative once slid out
  uint32_t insertHash;
  uint32_t pendingMatchLen;
  uint32_t curPos;
  uint32_t matchPos;
  uint32_t bytesAhead;
  uint32_t chainLimit;
  uint32_t lazyLimit;
  uint32_t chainCutLength;
  uint32_t stopLength;
  uint8_t inputEnded;
  uint8_t canSlide;
  uint8_t level;

  // Chains on longer prefixes, which let a search that already holds a match
  // pass over the candidates that cannot beat it (see long_chains.h). Kept
  // only while they pay for themselves; the 3-byte chains above stay the
  // index every search is defined by.
  ChainPosition longHead[kLongChains][kLongHashSize];
  // Each position's links to its predecessors on the longer chains, as how
  // far back they lie (distances, unlike positions, stay true when the
  // window slides, so they are never rewritten), and its ordinal on its
  // 3-byte chain, one more than that of the position it links to: the
  // difference of two ordinals on one chain counts the 3-byte candidates
  // between them without walking it. Side by side at p & kChainMask, so that
  // a walk reading a link and an ordinal touches one cache line.
  struct PositionLinks {
    uint16_t back[kLongChains];
    uint16_t ordinal;
  } links[kHalfWindow];
  uint32_t longNext;  // the next position to enter into the longer chains
  // What the searches since the last look at them cost and saved (see
  // long_chains.h), and when that look began.
  uint32_t searchCount;
  uint32_t lookStart;       // input position of curPos at the last look
  int32_t savedCost;        // cost units the longer chains saved, or would have
  uint32_t promisingLooks;  // looks in a row at which switching them on would have paid
  uint32_t poorLooks;       // looks in a row at which keeping them on did not
  uint8_t longChainsOn;
  // Keeps the longer chains on from every entry's start, whatever they save:
  // for tests of the search on them, which must find what the 3-byte walk
  // finds on any input. Set by nothing else.
  uint8_t longChainsPinned;
};
