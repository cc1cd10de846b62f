// Ending a block: building its codes, choosing the smallest of stored, fixed
// and dynamic coding, writing it, and keeping the output's length.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Writes the current block. `input` is the block's input in the window, or
// null when its beginning has slid out (then it is never stored); `length` is
// the block's input length either way. A final block ends the deflate data
// on a byte boundary and hands its last bytes over with EndDeflateData.
// Afterwards the stream's outputSize counts every byte handed over so far,
// unless the stream stopped: then `stopped` says so and nothing else changes.
void EmitBlock(DeflateState* state, const uint8_t* input, uint32_t length, bool final);

// How a block goes out.
enum BlockCoding : uint8_t { StoredBlock, FixedBlock, DynamicBlock };

// Builds the trees of the block whose symbols are recorded and picks the
// coding that sends it in the fewest bytes: stored only when `storable` (its
// input is at hand), for `length` input bytes.
BlockCoding ChooseBlockCoding(DeflateState* state, uint32_t length, bool storable);

// Sends the recorded block with fixed or dynamic codes as ChooseBlockCoding
// built them, header and end-of-block code included; a stored block's bytes
// depend on where in a byte it begins, so it is the caller's. A block
// counted from `tokens` (CountTokens) is sent from them.
void SendCodedBlock(DeflateState* state, BlockCoding coding, bool final, const uint32_t* tokens = nullptr,
                    uint32_t tokenCount = 0);

// Sends a stored block of `length` (at most 65535) bytes of `input`: its
// header, the padding to a byte boundary, LEN, NLEN and the bytes.
void SendStoredBlock(DeflateState* state, const uint8_t* input, uint32_t length, bool final);

// Starts a compression's block coding: clears the compressed length and, the first
// time for this state, builds the fixed trees and the code maps.
void PrepareTables(DeflateState* state);

// Binds `stream` to the state for one compression: its counters and the
// output buffer, an empty bit writer, the tables and an empty block (an
// earlier compression that stopped may have left one half counted).
void StartCompression(DeflateState* state, DeflateStream* stream);

// Unbinds the stream and says how the compression ended.
DeflateResult EndCompression(DeflateState* state);

// Opens an empty block: no symbols, no frequencies but the end-of-block code.
void ResetBlock(DeflateState* state);
