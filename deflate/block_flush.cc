#include "deflate/block_flush.h"

#include "deflate/bit_writer.h"
#include "deflate/block_encoding.h"
#include "deflate/huffman_tree.h"
#include "deflate/token_blocks.h"

namespace {

constexpr uint32_t kStoredBlockType = 0;
constexpr uint32_t kFixedBlockType = 2;    // block type 01, shifted past the final bit
constexpr uint32_t kDynamicBlockType = 4;  // block type 10
constexpr uint32_t kBlockHeaderBits = 3;

// The code maps of RFC 1951 3.2.5, from the extra-bits tables.
void BuildCodeMaps(DeflateState* state) {
  uint32_t value = 0;  // match length - 3
  for (uint32_t code = 0; code < kLengthCodes - 1; ++code) {
    state->baseLength[code] = static_cast<int32_t>(value);
    for (uint32_t n = 0; n < (1u << litExtraBits[code]); ++n) state->lengthCode[value++] = static_cast<uint8_t>(code);
  }
  // Length 258 has a code of its own (285, no extra bits), though 284 with
  // five extra bits could also express it.
  state->lengthCode[255] = kLengthCodes - 1;

  value = 0;  // distance - 1
  for (uint32_t code = 0; code < 16; ++code) {
    state->baseDist[code] = static_cast<int32_t>(value);
    for (uint32_t n = 0; n < (1u << distExtraBits[code]); ++n) state->distCode[value++] = static_cast<uint8_t>(code);
  }
  // From distance 257 on the map is indexed by (distance - 1) >> 7.
  value >>= 7;
  for (uint32_t code = 16; code < kDistanceSymbols; ++code) {
    state->baseDist[code] = static_cast<int32_t>(value << 7);
    for (uint32_t n = 0; n < (1u << (distExtraBits[code] - 7)); ++n) {
      state->distCode[256 + value++] = static_cast<uint8_t>(code);
    }
  }
}

// The fixed codes of RFC 1951 3.2.6.
void BuildFixedTrees(DeflateState* state) {
  uint16_t* count = state->bitLengthCount;
  for (uint32_t bits = 0; bits <= kMaxCodeBits; ++bits) count[bits] = 0;
  for (uint32_t n = 0; n < kFixedLiteralLengthSymbols; ++n) {
    const uint16_t length = n <= 143 ? 8 : n <= 255 ? 9 : n <= 279 ? 7 : 8;
    state->fixedLitTree[n].codeLen = length;
    ++count[length];
  }
  AssignCodes(state->fixedLitTree, kFixedLiteralLengthSymbols - 1, count);
  for (uint32_t n = 0; n < kDistanceSymbols; ++n) {
    state->fixedDistTree[n].codeLen = 5;
    state->fixedDistTree[n].code = static_cast<uint16_t>(ReverseBits(n, 5));
  }
}

}  // namespace

void ResetBlock(DeflateState* state) {
  for (uint32_t n = 0; n < kLiteralLengthSymbols; ++n) state->dynLitTree[n].freq = 0;
  for (uint32_t n = 0; n < kDistanceSymbols; ++n) state->dynDistTree[n].freq = 0;
  for (uint32_t n = 0; n < kCodeLengthSymbols; ++n) state->codeLenTree[n].freq = 0;
  state->dynLitTree[kEndOfBlock].freq = 1;
  state->fixedBlockBits = 0;
  state->dynBlockBits = 0;
  state->flagCount = 0;
  state->distCount = 0;
  state->litCount = 0;
  state->pendingFlags = 0;
  state->flagMask = 1;
}

void PrepareTables(DeflateState* state) {
  state->compressedBits = 0;
  state->compressedBytes = 0;
  if (state->fixedDistTree[0].codeLen != 0) return;  // built by an earlier entry
  BuildCodeMaps(state);
  BuildFixedTrees(state);
  ResetBlock(state);
}

void StartCompression(DeflateState* state, DeflateStream* stream) {
  state->stream = stream;
  state->stopped = DeflateDone;
  stream->inputSize = 0;
  stream->outputSize = 0;
  state->outBuf = stream->output;
  state->outSize = stream->outputCapacity;
  state->level = kCompressionLevel;
  state->bitCount = 0;
  state->bitBuf = 0;
  state->outLen = 0;
  PrepareTables(state);
  ResetBlock(state);
}

DeflateResult EndCompression(DeflateState* state) {
  state->stream = nullptr;
  return static_cast<DeflateResult>(state->stopped);
}

BlockCoding ChooseBlockCoding(DeflateState* state, uint32_t length, bool storable) {
  // Cover the symbols after the last complete flag byte.
  state->flagBuf[state->flagCount] = state->pendingFlags;

  BuildHuffmanTree(state, &state->litDesc);
  BuildHuffmanTree(state, &state->distDesc);
  state->lastCodeLenIndex = BuildCodeLenTree(state);

  const uint32_t dynamicBytes = (state->dynBlockBits + kBlockHeaderBits + 7) >> 3;
  const uint32_t fixedBytes = (state->fixedBlockBits + kBlockHeaderBits + 7) >> 3;
  const uint32_t bestCodedBytes = fixedBytes <= dynamicBytes ? fixedBytes : dynamicBytes;
  // LEN and NLEN make a stored block 4 bytes longer than its input.
  if (length + 4 <= bestCodedBytes && storable) return StoredBlock;
  return fixedBytes <= dynamicBytes ? FixedBlock : DynamicBlock;
}

namespace {

void EmitSymbols(DeflateState* state, const uint32_t* tokens, uint32_t tokenCount, const TreeNode* litTree,
                 const TreeNode* distTree) {
  if (tokens != nullptr) {
    EmitTokenSymbols(state, tokens, tokenCount, litTree, distTree);
  } else {
    EmitBlockSymbols(state, litTree, distTree);
  }
}

}  // namespace

void SendCodedBlock(DeflateState* state, BlockCoding coding, bool final, const uint32_t* tokens, uint32_t tokenCount) {
  const uint32_t finalBit = final ? 1 : 0;
  if (coding == FixedBlock) {
    EmitBits(state, kFixedBlockType + finalBit, kBlockHeaderBits);
    EmitSymbols(state, tokens, tokenCount, state->fixedLitTree, state->fixedDistTree);
    state->compressedBits += kBlockHeaderBits + state->fixedBlockBits;
  } else {
    EmitBits(state, kDynamicBlockType + finalBit, kBlockHeaderBits);
    if (EmitTreeHeader(state, static_cast<uint32_t>(state->litDesc.lastSymbol) + 1,
                       static_cast<uint32_t>(state->distDesc.lastSymbol) + 1,
                       static_cast<uint32_t>(state->lastCodeLenIndex) + 1)) {
      EmitSymbols(state, tokens, tokenCount, state->dynLitTree, state->dynDistTree);
    }
    state->compressedBits += kBlockHeaderBits + state->dynBlockBits;
  }
}

void SendStoredBlock(DeflateState* state, const uint8_t* input, uint32_t length, bool final) {
  EmitBits(state, kStoredBlockType + (final ? 1 : 0), kBlockHeaderBits);
  WriteStoredBlock(state, input, length);
}

void EmitBlock(DeflateState* state, const uint8_t* input, uint32_t length, bool final) {
  const BlockCoding coding = ChooseBlockCoding(state, length, input != nullptr);
  if (coding == StoredBlock) {
    state->compressedBytes += ((state->compressedBits + kBlockHeaderBits + 7) >> 3) + length + 4;
    state->compressedBits = 0;
    SendStoredBlock(state, input, length, final);
  } else {
    SendCodedBlock(state, coding, final);
    state->compressedBytes += state->compressedBits >> 3;
    state->compressedBits &= 7;
  }
  if (state->stopped != DeflateDone) return;

  ResetBlock(state);
  if (final) {
    EndDeflateData(state);
    state->compressedBits += 7;  // the last partial byte counts whole
  }
  state->stream->outputSize = state->compressedBytes + (state->compressedBits >> 3);
}
