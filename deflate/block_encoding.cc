#include "deflate/block_encoding.h"

#include "deflate/bit_writer.h"
#include "deflate/block_symbols.h"
#include "deflate/length_runs.h"

bool EmitCodeLengths(DeflateState* state, const TreeNode* tree, int32_t lastSymbol) {
  const TreeNode* codeLenTree = state->codeLenTree;
  const auto emitRun = [state, codeLenTree](uint32_t length, uint32_t count, uint32_t previousLength) {
    if (count < MinimumRepeatRun(length, previousLength)) {
      for (; count > 0; --count) {
        if (!EmitCode(state, codeLenTree, length)) return false;
      }
      return true;
    }
    if (length != 0) {
      if (length != previousLength) {
        if (!EmitCode(state, codeLenTree, length)) return false;
        --count;
      }
      return EmitCode(state, codeLenTree, kRepeatPrevious) && EmitBits(state, count - 3, 2);
    }
    if (count <= 10) return EmitCode(state, codeLenTree, kRepeatZero) && EmitBits(state, count - 3, 3);
    return EmitCode(state, codeLenTree, kRepeatZeroLong) && EmitBits(state, count - 11, 7);
  };
  return WalkLengthRuns(tree, lastSymbol, emitRun);
}

bool EmitTreeHeader(DeflateState* state, uint32_t litCodes, uint32_t distCodes, uint32_t codeLenCodes) {
  if (!EmitBits(state, litCodes - 257, 5) || !EmitBits(state, distCodes - 1, 5) ||
      !EmitBits(state, codeLenCodes - 4, 4)) {
    return false;
  }
  for (uint32_t i = 0; i < codeLenCodes; ++i) {
    if (!EmitBits(state, state->codeLenTree[codeLenOrder[i]].codeLen, 3)) return false;
  }
  return EmitCodeLengths(state, state->dynLitTree, static_cast<int32_t>(litCodes) - 1) &&
         EmitCodeLengths(state, state->dynDistTree, static_cast<int32_t>(distCodes) - 1);
}

void EmitBlockSymbols(DeflateState* state, const TreeNode* litTree, const TreeNode* distTree) {
  const uint8_t* flags = state->flagBuf;
  const uint16_t* distances = state->distBuf;
  uint32_t flagByte = 0;
  for (uint32_t i = 0; i < state->litCount; ++i) {
    if ((i & 7) == 0) flagByte = *flags++;
    const uint32_t symbol = state->litLenBuf[i];
    if ((flagByte & 1) == 0) {
      if (!EmitCode(state, litTree, symbol)) return;
    } else {
      const uint32_t lengthCode = state->lengthCode[symbol];
      if (!EmitCode(state, litTree, lengthCode + kLiterals + 1)) return;
      const uint32_t lengthExtra = static_cast<uint32_t>(litExtraBits[lengthCode]);
      if (lengthExtra != 0 &&
          !EmitBits(state, symbol - static_cast<uint32_t>(state->baseLength[lengthCode]), lengthExtra)) {
        return;
      }
      const uint32_t d = *distances++;
      const uint32_t distanceCode = DistanceCode(state, d);
      if (!EmitCode(state, distTree, distanceCode)) return;
      const uint32_t distanceExtra = static_cast<uint32_t>(distExtraBits[distanceCode]);
      if (distanceExtra != 0 &&
          !EmitBits(state, d - static_cast<uint32_t>(state->baseDist[distanceCode]), distanceExtra)) {
        return;
      }
    }
    flagByte >>= 1;
  }
  EmitCode(state, litTree, kEndOfBlock);
}
