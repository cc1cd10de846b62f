// POSIX implementation of the platform layer. Where POSIX has no direct
// counterpart of a Windows behaviour the writer relies on, the nearest
// faithful one is built here (see QueryFileInfo).
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "platform/platform.h"

namespace {

// File descriptors travel in the handle as fd + 1, so that descriptor 0 does
// not look like kNoFile.
FileHandle HandleFromDescriptor(int fd) {
  return reinterpret_cast<FileHandle>(static_cast<intptr_t>(fd) + 1);
}

int DescriptorOf(FileHandle file) {
  return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1);
}

FileTime FileTimeOf(const struct timespec& when) {
  return UnixTimeToFileTime(when.tv_sec, static_cast<uint32_t>(when.tv_nsec));
}

}  // namespace

FileHandle CreateOutputFile(const char* path) {
  int fd;
  do {
    fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? kNoFile : HandleFromDescriptor(fd);
}

FileHandle OpenInputFile(const char* path) {
  int fd;
  do {
    fd = open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return kNoFile;
  // Windows cannot open a directory as a file; neither do we, so that a
  // directory fails at the open as it would there, not at the first read.
  struct stat status;
  if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    close(fd);
    return kNoFile;
  }
  return HandleFromDescriptor(fd);
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) close(DescriptorOf(file));
}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t capacity, uint32_t* bytesRead) {
  ssize_t count;
  do {
    count = read(DescriptorOf(file), buffer, capacity);
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    *bytesRead = 0;
    return false;
  }
  *bytesRead = static_cast<uint32_t>(count);
  return true;
}

bool WriteToFile(FileHandle file, const void* data, uint32_t length, uint32_t* bytesWritten) {
  ssize_t count;
  do {
    count = write(DescriptorOf(file), data, length);
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    *bytesWritten = 0;
    return false;
  }
  *bytesWritten = static_cast<uint32_t>(count);
  return true;
}

uint32_t SetFilePosition(FileHandle file, int32_t distance, SeekOrigin origin) {
  const int fd = DescriptorOf(file);
  const int whence = origin == SeekFromStart ? SEEK_SET : origin == SeekFromCurrent ? SEEK_CUR : SEEK_END;
  const off_t before = lseek(fd, 0, SEEK_CUR);
  if (before < 0) return kInvalidFilePosition;
  const off_t after = lseek(fd, distance, whence);
  if (after < 0) return kInvalidFilePosition;
  if (after >= static_cast<off_t>(kInvalidFilePosition)) {
    // A 32-bit position cannot express it; leave the file where it was.
    lseek(fd, before, SEEK_SET);
    return kInvalidFilePosition;
  }
  return static_cast<uint32_t>(after);
}

bool TruncateFileHere(FileHandle file) {
  const int fd = DescriptorOf(file);
  const off_t here = lseek(fd, 0, SEEK_CUR);
  return here >= 0 && ftruncate(fd, here) == 0;
}

bool QueryFileSize(FileHandle file, uint64_t* size) {
  struct stat status;
  if (fstat(DescriptorOf(file), &status) != 0) return false;
  *size = static_cast<uint64_t>(status.st_size);
  return true;
}

// Windows attributes from a POSIX mode: read-only when the owner may not
// write, and the archive bit that Windows sets on every file written since
// its last backup, which on a POSIX system is any file.
bool QueryFileInfo(FileHandle file, FileInfo* info) {
  struct stat status;
  if (fstat(DescriptorOf(file), &status) != 0) return false;
  if (S_ISDIR(status.st_mode)) {
    info->attributes = FileDirectory;
  } else {
    info->attributes = FileArchive;
  }
  if ((status.st_mode & S_IWUSR) == 0) info->attributes |= FileReadOnly;
  info->size = static_cast<uint64_t>(status.st_size);
  info->lastAccessTime = FileTimeOf(status.st_atim);
  info->lastWriteTime = FileTimeOf(status.st_mtim);
  // Few file systems record a birth time, and stat cannot report it; statx
  // can. Without one the last write is the earliest time known.
  info->creationTime = info->lastWriteTime;
#ifdef STATX_BTIME
  struct statx extended;
  if (statx(DescriptorOf(file), "", AT_EMPTY_PATH, STATX_BTIME, &extended) == 0 &&
      (extended.stx_mask & STATX_BTIME) != 0) {
    struct timespec birth;
    birth.tv_sec = extended.stx_btime.tv_sec;
    birth.tv_nsec = extended.stx_btime.tv_nsec;
    info->creationTime = FileTimeOf(birth);
  }
#endif
  return true;
}

FileTime CurrentUtcFileTime() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return FileTimeOf(now);
}

FileTime UtcToLocalFileTime(FileTime utc) {
  const int64_t ticks = static_cast<int64_t>(utc - kUnixEpochFileTime);
  const int64_t ticksPerSecond = static_cast<int64_t>(kFileTimeTicksPerSecond);
  int64_t remainder = ticks % ticksPerSecond;
  if (remainder < 0) remainder += ticksPerSecond;
  const time_t seconds = static_cast<time_t>((ticks - remainder) / ticksPerSecond);
  struct tm local;
  if (localtime_r(&seconds, &local) == nullptr) return utc;
  CalendarTime calendar{};
  calendar.year = local.tm_year + 1900;
  calendar.month = local.tm_mon + 1;
  calendar.day = local.tm_mday;
  calendar.hour = local.tm_hour;
  calendar.minute = local.tm_min;
  calendar.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second reads as :59
  if (calendar.year < 1601) return utc;
  return CalendarToFileTime(calendar) + static_cast<FileTime>(remainder);
}

bool IsAnsiLeadByte(unsigned char) { return false; }

void* AllocateFixedMemory(size_t size) { return calloc(1, size == 0 ? 1 : size); }

void ReleaseFixedMemory(void* block) { free(block); }
