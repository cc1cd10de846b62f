#include "tests/support/channel_fixture.h"

#include "writer/archive_options.h"

OutputChannel* NewChannelOn(const std::string& outputPath) {
  const FileHandle output = CreateOutputFile(outputPath.c_str());
  if (output == kNoFile) return nullptr;
  auto* channel = new OutputChannel{};
  channel->output = output;
  channel->outputSeekable = true;
  channel->outputLimit = kLargestArchive;
  channel->source = kNoFile;
  return channel;
}

bool OpenSource(OutputChannel* channel, const std::string& path, FileInfo* info) {
  if (channel->source != kNoFile) CloseFile(channel->source);
  channel->bytesRead = channel->crc32 = channel->compressedSize = 0;
  channel->source = OpenInputFile(path.c_str(), info);
  return channel->source != kNoFile;
}

void ReleaseChannel(OutputChannel* channel) {
  if (channel == nullptr) return;
  if (channel->output != kNoFile) CloseFile(channel->output);
  if (channel->source != kNoFile) CloseFile(channel->source);
  delete channel;
}

void ReleaseEntries(ZipEntry** list) {
  while (ZipEntry* entry = *list) {
    *list = entry->next;
    ReleaseFixedMemory(entry);
  }
}
