#include "deflate/bit_writer.h"

#include <cstring>

namespace {

// A machine word: the bytes AppendBytes shifts at a time.
using Word = size_t;
constexpr uint32_t kWordBytes = sizeof(Word);
constexpr uint32_t kWordBits = 8 * kWordBytes;

// A word loaded from bytes in the machine's order, as the number those bytes
// make least significant first, and back.
inline Word LittleEndianWord(Word word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  if constexpr (kWordBytes == 8) return __builtin_bswap64(word);
  return __builtin_bswap32(word);
#else
  return word;
#endif
}

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

void AppendBytes(DeflateState* state, const uint8_t* bytes, uint32_t count) {
  // Whole bytes waiting in the bit buffer go first; fewer than 8 bits stay,
  // and every byte appended is shifted past them.
  while (state->bitCount >= 8) {
    if (state->outLen >= state->outSize && !FlushOutBuf(state)) return;
    state->outBuf[state->outLen++] = static_cast<uint8_t>(state->bitBuf);
    state->bitBuf >>= 8;
    state->bitCount -= 8;
  }
  const uint32_t shift = static_cast<uint32_t>(state->bitCount);
  Word carry = state->bitBuf;
  uint8_t* const out = state->outBuf;
  uint32_t outLen = state->outLen;
  while (count > 0) {
    if (outLen == state->outSize) {
      state->outLen = outLen;
      if (!FlushOutBuf(state)) return;
      outLen = 0;
    }
    uint32_t piece = state->outSize - outLen;
    if (piece > count) piece = count;
    if (shift == 0) {
      memcpy(out + outLen, bytes, piece);
    } else {
      // A word a step, then what is left one by one.
      uint32_t i = 0;
      for (; i + kWordBytes <= piece; i += kWordBytes) {
        Word word;
        memcpy(&word, bytes + i, sizeof word);
        word = LittleEndianWord(word);
        const Word shifted = LittleEndianWord(carry | word << shift);
        memcpy(out + outLen + i, &shifted, sizeof shifted);
        carry = word >> (kWordBits - shift);
      }
      for (; i < piece; ++i) {
        const Word byte = bytes[i];
        out[outLen + i] = static_cast<uint8_t>(carry | byte << shift);
        carry = byte >> (8 - shift);
      }
    }
    outLen += piece;
    bytes += piece;
    count -= piece;
  }
  state->outLen = outLen;
  state->bitBuf = static_cast<uint32_t>(carry);  // fewer than 8 bits
}
