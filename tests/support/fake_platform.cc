#include "tests/support/fake_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace fake {

State& Fake() {
  static State state;
  return state;
}

namespace {

struct OpenFile {
  File* file;
  size_t position;
  bool writable;
};

// Tells the caller why a call failed, when it asked.
void Report(uint32_t* error, uint32_t code) {
  if (error != nullptr) *error = code;
}

// Counts a call and tells whether the plan makes it fail; a planned failure
// reports kInjectedError.
bool Planned(int* counter, int planned, uint32_t* error) {
  if (++*counter != planned) return false;
  Report(error, kInjectedError);
  return true;
}

OpenFile* Open(FileHandle handle) { return static_cast<OpenFile*>(handle); }

// What QueryFileInfo reports of `file`. A file's place in the map is its
// identity: it stays while the file does.
FileInfo Describe(const File& file) {
  FileInfo info = file.info;
  info.size = file.reportedSize != 0 ? file.reportedSize : file.bytes.size();
  info.identity = FileIdentity{1, reinterpret_cast<uintptr_t>(&file)};
  return info;
}

}  // namespace

void Reset() { Fake() = State(); }

File& PutFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  File& file = Fake().files[path];
  file.bytes = bytes;
  file.info = FileInfo{FileArchive, 0, 0, 0, 0, {}, 0};
  return file;
}

std::vector<uint8_t>& Contents(const std::string& path) { return Fake().files.at(path).bytes; }

}  // namespace fake

using fake::Fake;

const uint32_t kNotPlainFileError = 0xBAD7;

FileHandle CreateOutputFile(const char* path, uint32_t* error) {
  if (fake::Planned(&Fake().calls.creates, Fake().faults.failCreateNumber, error)) return kNoFile;
  fake::File& file = Fake().files[path];
  if (file.open) {  // shared with nobody
    fake::Report(error, fake::kSharingError);
    return kNoFile;
  }
  file.bytes.clear();
  file.info = FileInfo{FileArchive, 0, 0, 0, 0, {}, 0};
  file.open = true;
  ++Fake().openHandles;
  return new fake::OpenFile{&file, 0, true};
}

FileHandle CreateNewOutputFile(const char* path, uint32_t* error) {
  if (fake::Planned(&Fake().calls.creates, Fake().faults.failCreateNumber, error)) return kNoFile;
  if (Fake().files.count(path) != 0) {
    fake::Report(error, fake::kInjectedError);
    return kNoFile;
  }
  fake::File& file = Fake().files[path];
  file.open = true;
  ++Fake().openHandles;
  return new fake::OpenFile{&file, 0, true};
}

FileHandle OpenInputFile(const char* path, FileInfo* info, uint32_t* error) {
  if (fake::Planned(&Fake().calls.opens, Fake().faults.failOpenNumber, error)) return kNoFile;
  auto found = Fake().files.find(path);
  if (found == Fake().files.end()) {
    fake::Report(error, fake::kNotFoundError);
    return kNoFile;
  }
  if (info != nullptr) {
    if (fake::Planned(&Fake().calls.infos, Fake().faults.failInfoNumber, error)) return kNoFile;
    *info = fake::Describe(found->second);
  }
  ++Fake().openHandles;
  return new fake::OpenFile{&found->second, 0, false};
}

void CloseFile(FileHandle handle) {
  if (handle == kNoFile) return;
  fake::OpenFile* open = fake::Open(handle);
  if (open->writable) open->file->open = false;
  --Fake().openHandles;
  delete open;
}

bool ReadFromFile(FileHandle handle, void* buffer, uint32_t capacity, uint32_t* bytesRead, uint32_t* error) {
  if (Fake().beforeEachRead) Fake().beforeEachRead();
  Fake().readSizes.push_back(capacity);
  *bytesRead = 0;
  if (fake::Planned(&Fake().calls.reads, Fake().faults.failReadNumber, error)) return false;
  fake::OpenFile* open = fake::Open(handle);
  const size_t size = open->file->bytes.size();
  if (open->writable) return false;
  if (open->position >= size) return true;
  size_t count = std::min<size_t>(capacity, size - open->position);
  if (open->file->readLimit != 0) count = std::min<size_t>(count, open->file->readLimit);
  memcpy(buffer, open->file->bytes.data() + open->position, count);
  open->position += count;
  *bytesRead = static_cast<uint32_t>(count);
  return true;
}

bool WriteToFile(FileHandle handle, const void* data, uint32_t length, uint32_t* bytesWritten, uint32_t* error) {
  Fake().writeSizes.push_back(length);
  *bytesWritten = 0;
  const int call = ++Fake().calls.writes;
  if (call == Fake().faults.failWriteNumber) {
    fake::Report(error, fake::kInjectedError);
    return false;
  }
  fake::OpenFile* open = fake::Open(handle);
  if (!open->writable) return false;
  size_t count = length;
  if (call == Fake().faults.shortWriteNumber && count > 0) --count;
  const uint64_t capacity = Fake().faults.diskCapacity;
  if (open->position >= capacity) {
    // Nothing fits: the call fails, as Windows reports a full disk.
    fake::Report(error, fake::kDiskFullError);
    return false;
  }
  count = static_cast<size_t>(std::min<uint64_t>(count, capacity - open->position));
  std::vector<uint8_t>& bytes = open->file->bytes;
  if (bytes.size() < open->position + count) bytes.resize(open->position + count);
  memcpy(bytes.data() + open->position, data, count);
  open->position += count;
  *bytesWritten = static_cast<uint32_t>(count);
  return true;
}

uint32_t SetFilePosition(FileHandle handle, int32_t distance, SeekOrigin origin, uint32_t* error) {
  if (fake::Planned(&Fake().calls.positions, Fake().faults.failPositionNumber, error)) return kInvalidFilePosition;
  fake::OpenFile* open = fake::Open(handle);
  const int64_t base = origin == SeekFromStart     ? 0
                       : origin == SeekFromCurrent ? static_cast<int64_t>(open->position)
                                                   : static_cast<int64_t>(open->file->bytes.size());
  const int64_t target = base + distance;
  if (target < 0 || target >= static_cast<int64_t>(kInvalidFilePosition)) return kInvalidFilePosition;
  open->position = static_cast<size_t>(target);
  return static_cast<uint32_t>(target);
}

bool TruncateFileHere(FileHandle handle, uint32_t* error) {
  if (fake::Planned(&Fake().calls.truncates, Fake().faults.failTruncateNumber, error)) return false;
  fake::OpenFile* open = fake::Open(handle);
  if (!open->writable) return false;
  open->file->bytes.resize(open->position);
  return true;
}

bool QueryFileSize(FileHandle handle, uint64_t* size, uint32_t*) {
  const fake::File* file = fake::Open(handle)->file;
  *size = file->reportedSize != 0 ? file->reportedSize : file->bytes.size();
  return true;
}

bool QueryFileInfo(FileHandle handle, FileInfo* info, uint32_t* error) {
  if (fake::Planned(&Fake().calls.infos, Fake().faults.failInfoNumber, error)) return false;
  *info = fake::Describe(*fake::Open(handle)->file);
  return true;
}

bool QueryFolderInfo(const char* path, FileInfo* info, uint32_t* error) {
  if (fake::Planned(&Fake().calls.infos, Fake().faults.failInfoNumber, error)) return false;
  const auto found = Fake().folders.find(path);
  if (found == Fake().folders.end()) {
    fake::Report(error, fake::kNotFoundError);
    return false;
  }
  *info = found->second;
  info->attributes |= FileDirectory;
  info->identity = FileIdentity{2, reinterpret_cast<uintptr_t>(&found->second)};
  return true;
}

FileTime CurrentUtcFileTime() { return Fake().utcNow; }

FileTime UtcToLocalFileTime(FileTime utc) {
  return static_cast<FileTime>(static_cast<int64_t>(utc) + Fake().localOffsetTicks);
}

void* AllocateFixedMemory(size_t size) {
  if (fake::Planned(&Fake().calls.allocations, Fake().faults.failAllocationNumber, nullptr)) return nullptr;
  ++Fake().liveAllocations;
  return calloc(1, size);
}

void ReleaseFixedMemory(void* block) {
  if (block == nullptr) return;
  --Fake().liveAllocations;
  free(block);
}
