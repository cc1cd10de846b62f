#include "fuzz/memory_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

struct Source {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;
  uint32_t readLimit = 0;
};

struct Output {
  std::vector<uint8_t> bytes;
  size_t position = 0;
  bool open = false;
};

// Function-local statics: the handles are their addresses, and they must
// exist before any fuzz input, whatever the order of static initialisation.
Source& TheSource() {
  static Source source;
  return source;
}

Output& TheOutput() {
  static Output output;
  return output;
}

bool IsSource(FileHandle file) { return file == &TheSource(); }
bool IsOutput(FileHandle file) { return file == &TheOutput(); }

}  // namespace

namespace memory_platform {

FileHandle OpenSource(const uint8_t* data, size_t size, uint32_t readLimit) {
  TheSource() = Source{data, size, 0, readLimit};
  return &TheSource();
}

const std::vector<uint8_t>& Output() { return TheOutput().bytes; }

void ClearOutput() {
  TheOutput().bytes.clear();  // keeps its capacity: no allocation per input
  TheOutput().position = 0;
}

}  // namespace memory_platform

FileHandle CreateOutputFile(const char* /*path*/) {
  Output& output = TheOutput();
  if (output.open) return kNoFile;  // shared with nobody, as a real output
  output.open = true;
  memory_platform::ClearOutput();
  return &output;
}

FileHandle OpenInputFile(const char* /*path*/) { return kNoFile; }

void CloseFile(FileHandle file) {
  if (IsOutput(file)) TheOutput().open = false;
}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t capacity, uint32_t* bytesRead) {
  *bytesRead = 0;
  if (!IsSource(file)) return false;
  Source& source = TheSource();
  const size_t count = std::min<size_t>({capacity, source.readLimit, source.size - source.position});
  if (count > 0) memcpy(buffer, source.data + source.position, count);
  source.position += count;
  *bytesRead = static_cast<uint32_t>(count);
  return true;
}

bool WriteToFile(FileHandle file, const void* data, uint32_t length, uint32_t* bytesWritten) {
  *bytesWritten = 0;
  if (!IsOutput(file)) return false;
  Output& output = TheOutput();
  if (output.bytes.size() < output.position + length) output.bytes.resize(output.position + length);
  if (length > 0) memcpy(output.bytes.data() + output.position, data, length);
  output.position += length;
  *bytesWritten = length;
  return true;
}

uint32_t SetFilePosition(FileHandle file, int32_t distance, SeekOrigin origin) {
  size_t base = 0;
  if (IsOutput(file)) {
    base = origin == SeekFromStart ? 0 : origin == SeekFromCurrent ? TheOutput().position : TheOutput().bytes.size();
  } else if (IsSource(file)) {
    base = origin == SeekFromStart ? 0 : origin == SeekFromCurrent ? TheSource().position : TheSource().size;
  } else {
    return kInvalidFilePosition;
  }
  const int64_t target = static_cast<int64_t>(base) + distance;
  if (target < 0 || target >= static_cast<int64_t>(kInvalidFilePosition)) return kInvalidFilePosition;
  if (IsOutput(file)) {
    TheOutput().position = static_cast<size_t>(target);
  } else {
    TheSource().position = std::min(static_cast<size_t>(target), TheSource().size);
  }
  return static_cast<uint32_t>(target);
}

bool TruncateFileHere(FileHandle file) {
  if (!IsOutput(file)) return false;
  TheOutput().bytes.resize(TheOutput().position);
  return true;
}

bool QueryFileSize(FileHandle file, uint64_t* size) {
  if (IsOutput(file)) {
    *size = TheOutput().bytes.size();
  } else if (IsSource(file)) {
    *size = TheSource().size;
  } else {
    return false;
  }
  return true;
}

bool QueryFileInfo(FileHandle file, FileInfo* info) {
  uint64_t size = 0;
  if (!QueryFileSize(file, &size)) return false;
  *info = FileInfo{FileArchive, 0, 0, 0, size};
  return true;
}

FileTime CurrentUtcFileTime() { return 0; }

FileTime UtcToLocalFileTime(FileTime utc) { return utc; }

bool IsAnsiLeadByte(unsigned char /*value*/) { return false; }

void* AllocateFixedMemory(size_t size) { return calloc(1, size); }

void ReleaseFixedMemory(void* block) { free(block); }
