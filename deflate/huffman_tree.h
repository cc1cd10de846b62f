// Length-limited Huffman codes for one block, and the block's exact size in
// bits with dynamic and with fixed codes. Pure computation on the state's
// arrays: no allocation, no output, no failure.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Builds the code of `desc` from the frequencies in its tree: code lengths
// (at most maxBits) and bit-reversed canonical codes for every symbol up to
// the descriptor's lastSymbol, which it sets. Adds the symbols' cost to
// dynBlockBits and, with a static tree, to fixedBlockBits. A code always has
// at least two symbols: missing ones are forced in at no cost.
void BuildHuffmanTree(DeflateState* state, TreeDescriptor* desc);

// Canonical codes from the code lengths, stored bit-reversed.
void AssignCodes(TreeNode* tree, int32_t lastSymbol, const uint16_t* bitLengthCount);

// The low `length` bits of `value` in reverse order; 1 <= length <= 15.
uint32_t ReverseBits(uint32_t value, uint32_t length);

// Counts how often each code-length symbol will be used to send this tree's
// code lengths, into the code-length tree's frequencies. Leaves a guard
// length of 0xFFFF after lastSymbol, which EmitCodeLengths reads too.
void CountLengthRuns(DeflateState* state, TreeNode* tree, int32_t lastSymbol);

// Builds the code-length tree for the two block trees and adds the cost of
// the whole tree description to dynBlockBits. Returns the index in
// codeLenOrder of the last code-length code that must be sent (4 to 18).
int32_t BuildCodeLenTree(DeflateState* state);
