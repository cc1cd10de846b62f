// Writing a block's trees and symbols as RFC 1951 bits.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Sends one tree's code lengths 0..lastSymbol with the code-length code, in
// the runs CountLengthRuns counted. Returns false at the first failed write.
bool EmitCodeLengths(DeflateState* state, const TreeNode* tree, int32_t lastSymbol);

// Sends the description of a dynamic block's trees: HLIT, HDIST, HCLEN, the
// code-length code lengths in their order, then both trees' code lengths.
bool EmitTreeHeader(DeflateState* state, uint32_t litCodes, uint32_t distCodes, uint32_t codeLenCodes);

// Sends the recorded literals and matches of the block with the given trees,
// then the end-of-block code. Stops at the first failed write.
void EmitBlockSymbols(DeflateState* state, const TreeNode* litTree, const TreeNode* distTree);
