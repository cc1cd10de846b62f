#include "writer/output_channel.h"

#include "zip/crc32.h"

void FailChannel(OutputChannel* channel, ArchiveResult code, FailureReason reason, uint32_t systemError) {
  channel->errorCode = code;
  channel->failure = FailureStatus(code, reason, systemError);
}

namespace {

void WriteOut(OutputChannel* channel, const uint8_t* data, uint32_t length) {
  if (channel->errorCode != ArchiveOk || length == 0) return;
  // The position never passes the limit, so this cannot wrap; a write that
  // would take the archive past it is refused before anything goes out.
  if (length > channel->outputLimit - channel->outputPosition) {
    FailChannel(channel, ArchiveTooLarge, FailedArchiveLimit);
    return;
  }
  uint32_t written = 0;
  uint32_t error = 0;
  const bool ok = WriteToFile(channel->output, data, length, &written, &error);
  channel->outputPosition += written <= length ? written : length;
  if (!ok || written != length) FailChannel(channel, ArchiveWriteFailed, FailedOutputWrite, error);
}

}  // namespace

void WriteBytes(OutputChannel* channel, const void* data, uint32_t length) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  const uint32_t header = channel->pendingHeader;
  if (header != 0 && channel->errorCode == ArchiveOk) {
    channel->pendingHeader = 0;
    if (bytes == StagedOutput(channel)) {
      WriteOut(channel, bytes - header, header + length);
      return;
    }
    WriteOut(channel, StagedOutput(channel) - header, header);
  }
  WriteOut(channel, bytes, length);
}

void EndEntryData(OutputChannel* channel, const void* data, uint32_t length) {
  if (channel->pendingHeader != 0 && data == StagedOutput(channel)) return;
  WriteBytes(channel, data, length);
}

bool SeekOutput(OutputChannel* channel, uint32_t offset) {
  // The system takes a signed 32-bit distance: from 2 GiB on it is negative
  // and the move fails, which is the clean end for an archive that large.
  uint32_t error = 0;
  if (!channel->outputSeekable ||
      SetFilePosition(channel->output, static_cast<int32_t>(offset), SeekFromStart, &error) == kInvalidFilePosition) {
    FailChannel(channel, ArchiveSeekFailed, FailedOutputReposition, error);
    return false;
  }
  channel->outputPosition = offset;
  return true;
}

uint32_t ReadSource(OutputChannel* channel, void* buffer, uint32_t capacity) {
  uint32_t count = 0;
  uint32_t error = 0;
  if (!ReadFromFile(channel->source, buffer, capacity, &count, &error)) {
    FailChannel(channel, ArchiveReadFailed, FailedSourceRead, error);
    return 0;
  }
  // A source that has grown to 4 GiB while it was read no longer fits the
  // 32-bit sizes; the entry is refused like one found that large at open.
  if (count > kLargestSource - channel->bytesRead) {
    FailChannel(channel, ArchiveSourceTooLarge, FailedSourceTooLarge);
    return 0;
  }
  channel->bytesRead += count;
  channel->crc32 = UpdateCrc32(channel->crc32, static_cast<const uint8_t*>(buffer), count);
  if (count != 0 && channel->readReport != nullptr &&
      !channel->readReport(channel->readReportContext, channel->bytesRead)) {
    FailChannel(channel, ArchiveCancelled, FailedCancelled);
    return 0;
  }
  return count;
}

void CopyStored(OutputChannel* channel) {
  uint8_t* const staged = StagedOutput(channel);
  for (;;) {
    // A bufferful is gathered whole before it goes out, so that a source
    // that ends within the first is known to have ended while its local
    // header can still go out final, with it.
    uint32_t filled = 0;
    while (filled < kIoBufferSize) {
      const uint32_t count = ReadSource(channel, staged + filled, kIoBufferSize - filled);
      if (channel->errorCode != ArchiveOk) return;
      if (count == 0) {
        channel->compressedSize += filled;
        EndEntryData(channel, staged, filled);
        return;
      }
      filled += count;
    }
    WriteBytes(channel, staged, filled);
    channel->compressedSize += filled;
    if (channel->errorCode != ArchiveOk) return;
  }
}
