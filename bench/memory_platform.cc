#include "bench/memory_platform.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

struct MemoryFile {
  bool writable;
  size_t position;
};

MemoryFile input{false, 0};
MemoryFile output{true, 0};
const uint8_t* sourceData = nullptr;
size_t sourceSize = 0;
uint32_t sourceReadLimit = UINT32_MAX;
std::vector<uint8_t> outputBytes;

MemoryFile* Record(FileHandle file) { return static_cast<MemoryFile*>(file); }

size_t SizeOf(const MemoryFile* file) { return file->writable ? outputBytes.size() : sourceSize; }

}  // namespace

namespace memory_platform {

void SetSource(const uint8_t* data, size_t size, uint32_t readLimit) {
  sourceData = data;
  sourceSize = size;
  sourceReadLimit = readLimit;
  input.position = 0;
}

void ReserveOutput(size_t capacity) { outputBytes.reserve(capacity); }

void ClearOutput() {
  outputBytes.clear();
  output.position = 0;
}

const std::vector<uint8_t>& Output() { return outputBytes; }

}  // namespace memory_platform

FileHandle CreateOutputFile(const char* /*path*/) {
  memory_platform::ClearOutput();
  return &output;
}

FileHandle CreateNewOutputFile(const char* path) { return CreateOutputFile(path); }

FileHandle OpenInputFile(const char* /*path*/) {
  input.position = 0;
  return &input;
}

void CloseFile(FileHandle /*file*/) {}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t capacity, uint32_t* bytesRead) {
  *bytesRead = 0;
  MemoryFile* record = Record(file);
  if (record->writable) return false;
  if (record->position >= sourceSize) return true;
  const size_t left = sourceSize - record->position;
  const uint32_t asked = capacity < sourceReadLimit ? capacity : sourceReadLimit;
  const size_t count = left < asked ? left : asked;
  memcpy(buffer, sourceData + record->position, count);
  record->position += count;
  *bytesRead = static_cast<uint32_t>(count);
  return true;
}

bool WriteToFile(FileHandle file, const void* data, uint32_t length, uint32_t* bytesWritten) {
  *bytesWritten = 0;
  MemoryFile* record = Record(file);
  if (!record->writable) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (record->position == outputBytes.size()) {
    // The compressor only ever appends: within the reservation this is a copy.
    outputBytes.insert(outputBytes.end(), bytes, bytes + length);
  } else {
    if (outputBytes.size() < record->position + length) outputBytes.resize(record->position + length);
    memcpy(outputBytes.data() + record->position, bytes, length);
  }
  record->position += length;
  *bytesWritten = length;
  return true;
}

uint32_t SetFilePosition(FileHandle file, int32_t distance, SeekOrigin origin) {
  MemoryFile* record = Record(file);
  const int64_t base = origin == SeekFromStart     ? 0
                       : origin == SeekFromCurrent ? static_cast<int64_t>(record->position)
                                                   : static_cast<int64_t>(SizeOf(record));
  const int64_t target = base + distance;
  if (target < 0 || target >= static_cast<int64_t>(kInvalidFilePosition)) return kInvalidFilePosition;
  record->position = static_cast<size_t>(target);
  return static_cast<uint32_t>(target);
}

bool TruncateFileHere(FileHandle file) {
  MemoryFile* record = Record(file);
  if (!record->writable) return false;
  outputBytes.resize(record->position);
  return true;
}

bool QueryFileSize(FileHandle file, uint64_t* size) {
  *size = SizeOf(Record(file));
  return true;
}

bool QueryFileInfo(FileHandle file, FileInfo* info) {
  *info = FileInfo{FileArchive, 0, 0, 0, SizeOf(Record(file))};
  return true;
}

uint32_t LastFileError() { return 0; }

void ClearLastFileError() {}

FileTime CurrentUtcFileTime() { return 0; }

FileTime UtcToLocalFileTime(FileTime utc) { return utc; }

bool IsAnsiLeadByte(unsigned char /*value*/) { return false; }

void* AllocateFixedMemory(size_t size) { return calloc(1, size); }

void ReleaseFixedMemory(void* block) { free(block); }
