// The bit writer: packs bits least significant first into the stream's
// output buffer and hands it to the stream's `write` when fewer than two
// bytes are free, before a stored block too long to join it, and at the end
// of the input.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Hands the bytes waiting in outBuf to the stream, unless it has stopped
// already (then they are dropped). Returns whether the stream still goes on.
bool FlushOutBuf(DeflateState* state);

// Sends the low `count` bits of `value` (1 to 16 bits; value < 2^count).
// Returns false when a flush finds the stream stopped.
inline bool EmitBits(DeflateState* state, uint32_t value, uint32_t count) {
  state->bitBuf |= value << state->bitCount;
  state->bitCount += static_cast<int32_t>(count);
  if (state->bitCount <= 16) return true;
  if (state->outLen + 1 >= state->outSize && !FlushOutBuf(state)) return false;
  state->outBuf[state->outLen++] = static_cast<uint8_t>(state->bitBuf);
  state->outBuf[state->outLen++] = static_cast<uint8_t>(state->bitBuf >> 8);
  state->bitCount -= 16;
  // The high bits of `value` that did not fit.
  state->bitBuf = value >> (count - static_cast<uint32_t>(state->bitCount));
  return true;
}

// Sends a symbol's code from a tree whose codes are assigned.
inline bool EmitCode(DeflateState* state, const TreeNode* tree, uint32_t symbol) {
  return EmitBits(state, tree[symbol].code, tree[symbol].codeLen);
}

// Sends `count` whole bytes of bits, first bit in bit 0 of the first byte,
// wherever in a byte the writer stands: bits coded apart, joined to what
// was sent before them. Stops when a flush finds the stream stopped.
void AppendBytes(DeflateState* state, const uint8_t* bytes, uint32_t count);

// Ends the deflate data: writes out the last partial byte (its unused high
// bits 0) and hands the buffer to the stream as the last bytes, even when it
// is empty; nothing stays in the bit writer. A refusal only shows in
// `stopped`.
void EndDeflateData(DeflateState* state);

// The body of a stored block whose 3-bit header was sent: byte alignment,
// LEN and NLEN, then `length` bytes (at most 65535) from `data`: copied into
// the buffer when they fit there, so that a small input's output stays whole
// in it, otherwise written straight from `data` after a flush.
void WriteStoredBlock(DeflateState* state, const uint8_t* data, uint32_t length);
