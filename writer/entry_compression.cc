#include "writer/entry_compression.h"

#include <cstring>

#include "deflate/compressor.h"
#include "deflate/parallel_compressor.h"
#include "writer/output_channel.h"

namespace {

// General-purpose bits 2 and 1 tell readers how hard method 8 worked; 1
// alone is "maximum", levels 8 and 9.
constexpr uint16_t kLevel8Flags = 0x0002;

static_assert(kIoBufferSize >= kSmallestDeflateOutput, "the staged output holds what the compressor gathers");

bool ReadEntrySource(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length) {
  auto* channel = static_cast<OutputChannel*>(context);
  *length = ReadSource(channel, buffer, capacity);
  return channel->errorCode == ArchiveOk;
}

bool WriteEntryOutput(void* context, const uint8_t* data, uint32_t length, bool last) {
  auto* channel = static_cast<OutputChannel*>(context);
  if (last) {
    EndEntryData(channel, data, length);
  } else {
    WriteBytes(channel, data, length);
  }
  return channel->errorCode == ArchiveOk;
}

// While the caller's thread waits for the workers, the read report goes on
// being told, so that a user interface stays alive and can cancel.
bool ReportWhileWaiting(void* context) {
  auto* channel = static_cast<OutputChannel*>(context);
  if (channel->readReport != nullptr && !channel->readReport(channel->readReportContext, channel->bytesRead)) {
    FailChannel(channel, ArchiveCancelled, FailedCancelled);
    return false;
  }
  return true;
}

}  // namespace

namespace {

bool MakeCompressors(EntryCompressors* compressors) {
  if (compressors->state != nullptr) return true;
  compressors->state = CreateCompressor();
  if (compressors->state == nullptr) return false;
  if (compressors->threads >= 2) {
    compressors->workers =
        CreateDeflateWorkers(compressors->threads < kMostDeflateWorkers ? compressors->threads : kMostDeflateWorkers);
  }
  return true;
}

}  // namespace

DeflateWorkers* CompressorWorkers(EntryCompressors* compressors) {
  return MakeCompressors(compressors) ? compressors->workers : nullptr;
}

void CompressEntry(OutputChannel* channel, EntryCompressors* compressors, ZipEntry* entry, uint32_t expectedSize) {
  if (!MakeCompressors(compressors)) {
    FailChannel(channel, ArchiveNoMemory, FailedNoMemory);
    return;
  }
  entry->gpFlags = static_cast<uint16_t>(entry->gpFlags | kLevel8Flags);
  DeflateStream stream{ReadEntrySource, WriteEntryOutput, channel, StagedOutput(channel), kIoBufferSize, 0, 0};
  stream.waiting = ReportWhileWaiting;
  stream.expectedSize = expectedSize;
  const DeflateResult result = compressors->workers != nullptr
                                   ? CompressStreamOnWorkers(compressors->state, compressors->workers, &stream)
                                   : CompressStream(compressors->state, &stream);
  // The compressor stops early only when a callback said so, and then the
  // channel holds the failure. Should it ever stop otherwise, the entry
  // fails rather than end in deflate data without its last block.
  if (result != DeflateDone && channel->errorCode == ArchiveOk) FailChannel(channel, ArchiveNoMemory, FailedNoMemory);
  // The channel refuses every write past the archive's limit, so the count
  // stays below 2 GiB.
  channel->compressedSize = static_cast<uint32_t>(stream.outputSize);
}

void TakeDeflatedData(OutputChannel* channel, ZipEntry* entry, const uint8_t* data, uint32_t length,
                      uint32_t sourceSize, uint32_t crc32) {
  entry->gpFlags = static_cast<uint16_t>(entry->gpFlags | kLevel8Flags);
  channel->bytesRead = sourceSize;
  channel->crc32 = crc32;
  if (channel->readReport != nullptr && !channel->readReport(channel->readReportContext, sourceSize)) {
    FailChannel(channel, ArchiveCancelled, FailedCancelled);
    return;
  }
  channel->compressedSize = length;
  // Data that fits the staged output goes there, so that it can go out
  // with its final header in one write, as a compression's would.
  if (length <= kIoBufferSize) {
    if (length != 0) memcpy(StagedOutput(channel), data, length);
    EndEntryData(channel, StagedOutput(channel), length);
  } else {
    WriteBytes(channel, data, length);
  }
}
