#include "deflate/token_blocks.h"

#include "deflate/bit_writer.h"
#include "deflate/block_symbols.h"
#include "deflate/parse_tokens.h"

void CountTokens(DeflateState* state, const uint32_t* tokens, uint32_t count) {
  uint32_t matches = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t token = tokens[i];
    if (!IsMatch(token)) {
      ++state->dynLitTree[token].freq;
      continue;
    }
    ++matches;
    ++state->dynLitTree[state->lengthCode[(token & kTokenLengthMask) - kMinMatch] + kLiterals + 1].freq;
    ++state->dynDistTree[DistanceCode(state, TokenDistance(token) - 1)].freq;
  }
  state->litCount += count;
  state->distCount += matches;
}

// The match's lines are those of EmitBlockSymbols on purpose: shared through
// a function, even one always inlined, they cost the one-thread compression
// 0.15% more instructions, and one loop templated over where the symbols
// come from cost it 0.6% to 0.9%.
void EmitTokenSymbols(DeflateState* state, const uint32_t* tokens, uint32_t count, const TreeNode* litTree,
                      const TreeNode* distTree) {
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t token = tokens[i];
    if (!IsMatch(token)) {
      if (!EmitCode(state, litTree, token)) return;
      continue;
    }
    const uint32_t lengthIndex = (token & kTokenLengthMask) - kMinMatch;
    const uint32_t lengthCode = state->lengthCode[lengthIndex];
    if (!EmitCode(state, litTree, lengthCode + kLiterals + 1)) return;
    const uint32_t lengthExtra = static_cast<uint32_t>(litExtraBits[lengthCode]);
    if (lengthExtra != 0 &&
        !EmitBits(state, lengthIndex - static_cast<uint32_t>(state->baseLength[lengthCode]), lengthExtra)) {
      return;
    }
    const uint32_t d = TokenDistance(token) - 1;
    const uint32_t distanceCode = DistanceCode(state, d);
    if (!EmitCode(state, distTree, distanceCode)) return;
    const uint32_t distanceExtra = static_cast<uint32_t>(distExtraBits[distanceCode]);
    if (distanceExtra != 0 &&
        !EmitBits(state, d - static_cast<uint32_t>(state->baseDist[distanceCode]), distanceExtra)) {
      return;
    }
  }
  EmitCode(state, litTree, kEndOfBlock);
}
