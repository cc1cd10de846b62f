#include "deflate/compressor.h"

#include <cstring>

#include "deflate/block_flush.h"
#include "deflate/block_symbols.h"
#include "deflate/input_window.h"
#include "deflate/lazy_matching.h"
#include "platform/platform.h"

namespace {

// The block's input, while its beginning is still in the window.
inline const uint8_t* BlockInput(const DeflateState* state) {
  return state->blockBegin >= 0 ? state->window + state->blockBegin : nullptr;
}

inline uint32_t BlockLength(const DeflateState* state) {
  return state->curPos - static_cast<uint32_t>(state->blockBegin);
}

// Ends a full block. Returns false when the output failed.
inline bool EndFullBlock(DeflateState* state) {
  EmitBlock(state, BlockInput(state), BlockLength(state), false);
  if (state->stopped != DeflateDone) return false;
  state->blockBegin = static_cast<int32_t>(state->curPos);
  return true;
}

// The whole input's literals and matches go straight into the blocks.
struct BlockTokens {
  static constexpr bool kLooksAtTop = false;
  static constexpr uint32_t TopsBelow() { return kMinLookahead; }
  static void AfterRefill(DeflateState*) {}
  static bool Literal(DeflateState* state, uint32_t byte) { return RecordLiteral(state, byte); }
  static bool Match(DeflateState* state, uint32_t distance, uint32_t length) {
    return RecordMatch(state, distance, length);
  }
  static bool EndBlock(DeflateState* state) { return EndFullBlock(state); }
  static void Finish(DeflateState* state, LazyParse parse) {
    if (parse.matchAvailable) RecordLiteral(state, state->window[state->curPos - 1]);
    EmitBlock(state, BlockInput(state), BlockLength(state), true);
  }
};

}  // namespace

DeflateState* CreateCompressor() {
  auto* state = static_cast<DeflateState*>(AllocateFixedMemory(sizeof(DeflateState)));
  if (state == nullptr) return nullptr;
  state->fixedDistTree[0].codeLen = 0;  // fixed tables not built yet
  state->litDesc = TreeDescriptor{
      state->dynLitTree, state->fixedLitTree, litExtraBits, kLiterals + 1, kLiteralLengthSymbols, kMaxCodeBits, 0};
  state->distDesc =
      TreeDescriptor{state->dynDistTree, state->fixedDistTree, distExtraBits, 0, kDistanceSymbols, kMaxCodeBits, 0};
  state->codeLenDesc =
      TreeDescriptor{state->codeLenTree, nullptr, codeLenExtraBits, 0, kCodeLengthSymbols, kMaxCodeLengthBits, 0};
  return state;
}

void ReleaseCompressor(DeflateState* compressor) {
  // The state is one block with nothing hanging off it.
  ReleaseFixedMemory(compressor);
}

DeflateResult CompressStream(DeflateState* state, DeflateStream* stream) {
  StartCompression(state, stream);
  StartInput(state, state->level);
  if (state->stopped == DeflateDone) {
    LazyParse parse;
    BlockTokens tokens;
    RunLazyMatching(state, &parse, &tokens);
  }
  return EndCompression(state);
}
