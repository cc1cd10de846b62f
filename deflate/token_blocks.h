// Blocks sent straight from a parse's tokens (parse_tokens.h), for the
// blocks coded on worker threads: their frequencies are counted and their
// symbols sent from the tokens, never recorded in the block's buffers. The
// bits are those of the same literals and matches recorded one by one.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Counts `count` tokens into the open block's frequencies and symbol counts,
// as AddLiteral and AddMatch would, without recording them.
void CountTokens(DeflateState* state, const uint32_t* tokens, uint32_t count);

// Sends `count` tokens with the given trees, then the end-of-block code, as
// EmitBlockSymbols sends the recorded symbols. Stops at the first failed
// write.
void EmitTokenSymbols(DeflateState* state, const uint32_t* tokens, uint32_t count, const TreeNode* litTree,
                      const TreeNode* distTree);
