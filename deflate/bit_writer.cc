#include "deflate/bit_writer.h"

#include "zip/output_channel.h"

bool FlushOutBuf(DeflateState* state) {
  ZipArchive* archive = state->archive;
  if (state->outLen > 0 && archive->errorCode == ArchiveOk) WriteBytes(archive, state->outBuf, state->outLen);
  state->outLen = 0;
  return archive->errorCode == ArchiveOk;
}

void AlignToByte(DeflateState* state) {
  if (state->bitCount > 8) {
    if (state->outLen + 1 >= state->outSize) FlushOutBuf(state);
    state->outBuf[state->outLen++] = static_cast<uint8_t>(state->bitBuf);
    state->outBuf[state->outLen++] = static_cast<uint8_t>(state->bitBuf >> 8);
  } else if (state->bitCount > 0) {
    if (state->outLen >= state->outSize) FlushOutBuf(state);
    state->outBuf[state->outLen++] = static_cast<uint8_t>(state->bitBuf);
  }
  FlushOutBuf(state);
  state->bitBuf = 0;
  state->bitCount = 0;
  state->outLen = 0;
}

void WriteStoredBlock(DeflateState* state, const uint8_t* data, uint32_t length) {
  AlignToByte(state);
  if (state->outLen + 3 >= state->outSize) FlushOutBuf(state);
  const uint32_t complement = ~length;
  state->outBuf[state->outLen++] = static_cast<uint8_t>(length);
  state->outBuf[state->outLen++] = static_cast<uint8_t>(length >> 8);
  state->outBuf[state->outLen++] = static_cast<uint8_t>(complement);
  state->outBuf[state->outLen++] = static_cast<uint8_t>(complement >> 8);
  FlushOutBuf(state);
  // The data goes out from the window itself, without a copy.
  if (length > 0 && state->archive->errorCode == ArchiveOk) WriteBytes(state->archive, data, length);
}
