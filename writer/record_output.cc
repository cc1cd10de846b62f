#include "writer/record_output.h"

#include "zip/zip_records.h"

static_assert(kLongestCentralHeader + kEndOfDirectorySize <= kIoBufferSize,
              "the I/O buffer holds at least one central header and the end record");
static_assert(kLongestLocalHeader <= kLocalHeaderRoom, "every local header fits in front of the staged output");

void PendLocalHeader(OutputChannel* channel, const ZipEntry* entry) {
  const uint32_t length = LocalHeaderLength(entry);
  PutLocalHeader(StagedOutput(channel) - length, entry);
  channel->pendingHeader = length;
}

void WriteLocalHeader(OutputChannel* channel, const ZipEntry* entry) {
  uint8_t header[kLongestLocalHeader];
  const uint8_t* end = PutLocalHeader(header, entry);
  WriteBytes(channel, header, static_cast<uint32_t>(end - header));
}

uint32_t WriteCentralDirectory(OutputChannel* channel, const ZipEntry* entries, uint32_t directoryStart) {
  // No entry is being added, so the I/O buffer is free: the records are
  // gathered there and go out a bufferful at a time, each write ending at
  // the end of a record.
  uint8_t* const buffer = channel->ioBuffer;
  uint32_t gathered = 0;
  uint32_t directorySize = 0;
  uint32_t count = 0;
  for (const ZipEntry* entry = entries; entry != nullptr; entry = entry->next) {
    const uint32_t length = CentralHeaderLength(entry);
    if (length > kIoBufferSize - gathered) {
      WriteBytes(channel, buffer, gathered);
      gathered = 0;
    }
    PutCentralHeader(buffer + gathered, entry);
    gathered += length;
    directorySize += length;
    ++count;
  }

  if (kEndOfDirectorySize > kIoBufferSize - gathered) {
    WriteBytes(channel, buffer, gathered);
    gathered = 0;
  }
  PutEndRecord(buffer + gathered, count, directorySize, directoryStart);
  gathered += kEndOfDirectorySize;
  WriteBytes(channel, buffer, gathered);
  return directoryStart + directorySize + kEndOfDirectorySize;
}
