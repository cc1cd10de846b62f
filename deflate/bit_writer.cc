#include "deflate/bit_writer.h"

#include <cstring>

namespace {

// Hands `length` bytes to the stream unless it has stopped; a refusal stops it.
void HandOver(DeflateState* state, const uint8_t* data, uint32_t length, bool last) {
  if (state->stopped != DeflateDone) return;
  DeflateStream* stream = state->stream;
  if (!stream->write(stream->context, data, length, last)) state->stopped = DeflateWriteStopped;
}

}  // namespace

bool FlushOutBuf(DeflateState* state) {
  if (state->outLen > 0) HandOver(state, state->outBuf, state->outLen, false);
  state->outLen = 0;
  return state->stopped == DeflateDone;
}

namespace {

// Writes out the last partial byte (its unused high bits 0) into the buffer,
// leaving the bit writer on a byte boundary.
void PadToByte(DeflateState* state) {
  if (state->bitCount > 8) {
    if (state->outLen + 1 >= state->outSize) FlushOutBuf(state);
    state->outBuf[state->outLen++] = static_cast<uint8_t>(state->bitBuf);
    state->outBuf[state->outLen++] = static_cast<uint8_t>(state->bitBuf >> 8);
  } else if (state->bitCount > 0) {
    if (state->outLen >= state->outSize) FlushOutBuf(state);
    state->outBuf[state->outLen++] = static_cast<uint8_t>(state->bitBuf);
  }
  state->bitBuf = 0;
  state->bitCount = 0;
}

}  // namespace

void EndDeflateData(DeflateState* state) {
  PadToByte(state);
  HandOver(state, state->outBuf, state->outLen, true);
  state->outLen = 0;
}

void WriteStoredBlock(DeflateState* state, const uint8_t* data, uint32_t length) {
  PadToByte(state);
  if (state->outLen + 3 >= state->outSize) FlushOutBuf(state);
  const uint32_t complement = ~length;
  state->outBuf[state->outLen++] = static_cast<uint8_t>(length);
  state->outBuf[state->outLen++] = static_cast<uint8_t>(length >> 8);
  state->outBuf[state->outLen++] = static_cast<uint8_t>(complement);
  state->outBuf[state->outLen++] = static_cast<uint8_t>(complement >> 8);
  if (length <= state->outSize - state->outLen) {
    if (length > 0) memcpy(state->outBuf + state->outLen, data, length);
    state->outLen += length;
    return;
  }
  // Too long to join the buffer: it goes out from the window itself.
  if (FlushOutBuf(state)) HandOver(state, data, length, false);
}
