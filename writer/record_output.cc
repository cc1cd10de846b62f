#include "writer/record_output.h"

#include "platform/platform.h"
#include "writer/output_channel.h"
#include "zip/zip_records.h"

static_assert(kLongestCentralHeader + kEndOfDirectorySize <= kIoBufferSize,
              "the I/O buffer holds at least one central header and the end record");
static_assert(kLongestLocalHeader <= kLocalHeaderRoom, "every local header fits in front of the staged output");

void PendLocalHeader(ZipArchive* archive, const ZipEntry* entry) {
  const uint32_t length = LocalHeaderLength(entry);
  PutLocalHeader(StagedOutput(archive) - length, entry);
  archive->pendingHeader = length;
}

void WriteLocalHeader(ZipArchive* archive, const ZipEntry* entry) {
  uint8_t header[kLongestLocalHeader];
  const uint8_t* end = PutLocalHeader(header, entry);
  WriteBytes(archive, header, static_cast<uint32_t>(end - header));
}

void WriteCentralDirectory(ZipArchive* archive) {
  // No entry is being added, so the I/O buffer is free: the records are
  // gathered there and go out a bufferful at a time, each write ending at
  // the end of a record.
  uint8_t* const buffer = archive->ioBuffer;
  uint32_t gathered = 0;
  const uint32_t directoryStart = archive->archiveOffset;
  uint32_t count = 0;
  while (ZipEntry* entry = archive->entryList) {
    const uint32_t length = CentralHeaderLength(entry);
    if (length > kIoBufferSize - gathered) {
      WriteBytes(archive, buffer, gathered);
      gathered = 0;
    }
    PutCentralHeader(buffer + gathered, entry);
    gathered += length;
    archive->archiveOffset += length;
    ++count;
    archive->entryList = entry->next;
    ReleaseFixedMemory(entry);
  }
  archive->lastEntry = nullptr;
  archive->directorySize = 0;

  if (kEndOfDirectorySize > kIoBufferSize - gathered) {
    WriteBytes(archive, buffer, gathered);
    gathered = 0;
  }
  PutEndRecord(buffer + gathered, count, archive->archiveOffset - directoryStart, directoryStart);
  gathered += kEndOfDirectorySize;
  archive->archiveOffset += kEndOfDirectorySize;
  WriteBytes(archive, buffer, gathered);
}
