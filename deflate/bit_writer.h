// The bit writer: packs bits least significant first into the archive's I/O
// buffer and hands the buffer to the output channel when fewer than two bytes
// are free, when a stored block begins and at the end of an entry.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Hands the bytes waiting in outBuf to the output channel, unless the archive
// has failed already (then they are dropped). Returns whether the archive is
// still without error.
bool FlushOutBuf(DeflateState* state);

// Sends the low `count` bits of `value` (1 to 16 bits; value < 2^count).
// Returns false when a flush finds the archive failed.
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

// Writes out the last partial byte (its unused high bits 0) and flushes, so
// that nothing stays buffered. Failures only show in the archive's errorCode.
void AlignToByte(DeflateState* state);

// The body of a stored block whose 3-bit header was sent: byte alignment,
// LEN and NLEN, then `length` bytes (at most 65535) straight from `data`.
void WriteStoredBlock(DeflateState* state, const uint8_t* data, uint32_t length);
