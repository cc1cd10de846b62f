// Ending a block: building its codes, choosing the smallest of stored, fixed
// and dynamic coding, writing it, and keeping the entry's compressed length.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Writes the current block. `input` is the block's input in the window, or
// null when its beginning has slid out (then it is never stored); `length` is
// the block's input length either way. A final block ends the entry on a byte
// boundary and hands its last bytes over with EndDeflateData, which leaves
// them staged only when the whole entry is. Afterwards the archive's
// compressedSize counts every byte of the entry written so far, unless the
// output failed: then errorCode is set and nothing else changes.
void EmitBlock(DeflateState* state, const uint8_t* input, uint32_t length, bool final);

// Starts an entry's block coding: clears the compressed length and, the first
// time for this state, builds the fixed trees and the code maps.
void PrepareTables(DeflateState* state);

// Opens an empty block: no symbols, no frequencies but the end-of-block code.
void ResetBlock(DeflateState* state);
