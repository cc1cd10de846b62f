#include "writer/output_channel.h"

#include "zip/crc32.h"

void FailArchive(ZipArchive* archive, ArchiveResult code, FailureReason reason, uint32_t systemError) {
  archive->errorCode = code;
  archive->failure = FailureStatus(code, reason, systemError);
}

namespace {

void WriteOut(ZipArchive* archive, const uint8_t* data, uint32_t length) {
  if (archive->errorCode != ArchiveOk || length == 0) return;
  // The position never passes the limit, so this cannot wrap; a write that
  // would take the archive past it is refused before anything goes out.
  if (length > archive->outputLimit - archive->outputPosition) {
    FailArchive(archive, ArchiveTooLarge, FailedArchiveLimit);
    return;
  }
  uint32_t written = 0;
  uint32_t error = 0;
  const bool ok = WriteToFile(archive->output, data, length, &written, &error);
  archive->outputPosition += written <= length ? written : length;
  if (!ok || written != length) FailArchive(archive, ArchiveWriteFailed, FailedOutputWrite, error);
}

}  // namespace

void WriteBytes(ZipArchive* archive, const void* data, uint32_t length) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  const uint32_t header = archive->pendingHeader;
  if (header != 0 && archive->errorCode == ArchiveOk) {
    archive->pendingHeader = 0;
    if (bytes == StagedOutput(archive)) {
      WriteOut(archive, bytes - header, header + length);
      return;
    }
    WriteOut(archive, StagedOutput(archive) - header, header);
  }
  WriteOut(archive, bytes, length);
}

void EndEntryData(ZipArchive* archive, const void* data, uint32_t length) {
  if (archive->pendingHeader != 0 && data == StagedOutput(archive)) return;
  WriteBytes(archive, data, length);
}

bool SeekOutput(ZipArchive* archive, uint32_t offset) {
  // The system takes a signed 32-bit distance: from 2 GiB on it is negative
  // and the move fails, which is the clean end for an archive that large.
  uint32_t error = 0;
  if ((archive->flags & OutputSeekable) == 0 ||
      SetFilePosition(archive->output, static_cast<int32_t>(offset), SeekFromStart, &error) == kInvalidFilePosition) {
    FailArchive(archive, ArchiveSeekFailed, FailedOutputReposition, error);
    return false;
  }
  archive->outputPosition = offset;
  return true;
}

uint32_t ReadSource(ZipArchive* archive, void* buffer, uint32_t capacity) {
  uint32_t count = 0;
  uint32_t error = 0;
  if (!ReadFromFile(archive->source, buffer, capacity, &count, &error)) {
    FailArchive(archive, ArchiveReadFailed, FailedSourceRead, error);
    return 0;
  }
  // A source that has grown to 4 GiB while it was read no longer fits the
  // 32-bit sizes; the entry is refused like one found that large at open.
  if (count > kLargestSource - archive->bytesRead) {
    FailArchive(archive, ArchiveSourceTooLarge, FailedSourceTooLarge);
    return 0;
  }
  archive->bytesRead += count;
  archive->crc32 = UpdateCrc32(archive->crc32, static_cast<const uint8_t*>(buffer), count);
  const ArchiveOptions& options = archive->options;
  if (count != 0 && options.readProgress != nullptr &&
      !options.readProgress(options.readProgressContext, archive->bytesRead)) {
    FailArchive(archive, ArchiveCancelled, FailedCancelled);
    return 0;
  }
  return count;
}

void CopyStored(ZipArchive* archive) {
  uint8_t* const staged = StagedOutput(archive);
  for (;;) {
    // A bufferful is gathered whole before it goes out, so that a source
    // that ends within the first is known to have ended while its local
    // header can still go out final, with it.
    uint32_t filled = 0;
    while (filled < kIoBufferSize) {
      const uint32_t count = ReadSource(archive, staged + filled, kIoBufferSize - filled);
      if (archive->errorCode != ArchiveOk) return;
      if (count == 0) {
        archive->compressedSize += filled;
        EndEntryData(archive, staged, filled);
        return;
      }
      filled += count;
    }
    WriteBytes(archive, staged, filled);
    archive->compressedSize += filled;
    if (archive->errorCode != ArchiveOk) return;
  }
}
