// POSIX implementation of the platform layer. Where POSIX has no direct
// counterpart of a Windows behaviour the writer relies on, the nearest
// faithful one is built here (see Describe).
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "platform/descriptor_handle_posix.h"
#include "platform/platform.h"

namespace {

// Tells the caller why a call failed, when it asked.
void Report(uint32_t* error, int code) {
  if (error != nullptr) *error = static_cast<uint32_t>(code);
}

// Reports errno for the call that just failed; returns false for it.
bool FailedCall(uint32_t* error) {
  Report(error, errno);
  return false;
}

// open, again after an interruption by a signal; a failure is reported. A
// file created gets `mode` less the umask.
int OpenRetrying(const char* path, int flags, mode_t mode, uint32_t* error) {
  int fd;
  do {
    fd = open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) Report(error, errno);
  return fd;
}

// Clears O_NONBLOCK on a descriptor just opened with it, so that reads and
// writes wait as on Windows. It was the only status flag F_SETFL changes
// that the open set (the access mode and O_LARGEFILE are beyond F_SETFL's
// reach), so the flags need not be asked for first.
bool ClearNonblocking(int fd) { return fcntl(fd, F_SETFL, 0) == 0; }

// Closes a descriptor just opened that cannot be used, reporting `code`.
FileHandle Refuse(int fd, int code, uint32_t* error) {
  Report(error, code);
  close(fd);
  return kNoFile;
}

FileTime FileTimeOf(const struct timespec& when) {
  return UnixTimeToFileTime(when.tv_sec, static_cast<uint32_t>(when.tv_nsec));
}

// Windows attributes from a POSIX mode: read-only when the owner may not
// write, and the archive bit that Windows sets on every file written since
// its last backup, which on a POSIX system is any file.
uint32_t AttributesOf(mode_t mode) {
  uint32_t attributes = S_ISDIR(mode) ? FileDirectory : FileArchive;
  if ((mode & S_IWUSR) == 0) attributes |= FileReadOnly;
  return attributes;
}

// One look at an open file: its type in *mode and the rest as FileInfo has
// it; false, with errno, when the system cannot describe it. Few file
// systems record a birth time, and stat cannot report it; statx reports it
// beside everything stat does, so one call serves. Without a birth time the
// last write is the earliest time known. A system that refuses statx is
// asked with fstat instead.
bool Describe(int fd, FileInfo* info, mode_t* mode) {
#ifdef STATX_BTIME
  struct statx extended;
  if (statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &extended) == 0) {
    *mode = extended.stx_mode;
    info->attributes = AttributesOf(extended.stx_mode);
    info->size = extended.stx_size;
    // Taken as they stand: statx's seconds are 64-bit even where time_t is not.
    info->lastAccessTime = UnixTimeToFileTime(extended.stx_atime.tv_sec, extended.stx_atime.tv_nsec);
    info->lastWriteTime = UnixTimeToFileTime(extended.stx_mtime.tv_sec, extended.stx_mtime.tv_nsec);
    info->changeTime = UnixTimeToFileTime(extended.stx_ctime.tv_sec, extended.stx_ctime.tv_nsec);
    info->creationTime = (extended.stx_mask & STATX_BTIME) != 0
                             ? UnixTimeToFileTime(extended.stx_btime.tv_sec, extended.stx_btime.tv_nsec)
                             : info->lastWriteTime;
    // The device number as stat gives it, so that it matches a listing's.
    info->identity.volume = static_cast<uint64_t>(makedev(extended.stx_dev_major, extended.stx_dev_minor));
    info->identity.index = extended.stx_ino;
    return true;
  }
#endif
  struct stat status;
  if (fstat(fd, &status) != 0) return false;
  *mode = status.st_mode;
  info->attributes = AttributesOf(status.st_mode);
  info->size = static_cast<uint64_t>(status.st_size);
  info->lastAccessTime = FileTimeOf(status.st_atim);
  info->lastWriteTime = FileTimeOf(status.st_mtim);
  info->changeTime = FileTimeOf(status.st_ctim);
  info->creationTime = info->lastWriteTime;
  info->identity.volume = static_cast<uint64_t>(status.st_dev);
  info->identity.index = static_cast<uint64_t>(status.st_ino);
  return true;
}

}  // namespace

// No errno says "not a plain file"; EINVAL is never what opening a name
// for reading fails with otherwise.
const uint32_t kNotPlainFileError = EINVAL;

FileHandle CreateOutputFile(const char* path, uint32_t* error) {
  // Opened without truncating and without waiting, and emptied only once it
  // is known to be a plain file: a device or a pipe would swallow the
  // archive, a pipe without a reader would block the open.
  const int fd = OpenRetrying(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666, error);
  if (fd < 0) return kNoFile;
  struct stat status;
  if (fstat(fd, &status) != 0) return Refuse(fd, errno, error);
  if (!S_ISREG(status.st_mode)) return Refuse(fd, S_ISDIR(status.st_mode) ? EISDIR : EINVAL, error);
  if (!ClearNonblocking(fd) || ftruncate(fd, 0) != 0) return Refuse(fd, errno, error);
  return HandleFromDescriptor(fd);
}

FileHandle CreateNewOutputFile(const char* path, uint32_t* error) {
  // O_EXCL also refuses a link of that name, dangling or not. Private to
  // its owner: it is to take the place of a file that may have been
  // private, and another user who opened it now could read on after that.
  const int fd = OpenRetrying(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600, error);
  return fd < 0 ? kNoFile : HandleFromDescriptor(fd);
}

FileHandle OpenInputFile(const char* path, FileInfo* info, uint32_t* error) {
  // Without O_NONBLOCK, opening a pipe that nobody writes to would wait for
  // a writer forever.
  const int fd = OpenRetrying(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0, error);
  if (fd < 0) return kNoFile;
  // Only plain files: a directory fails at the open as it would on Windows,
  // and devices or pipes could be read without end or block a read.
  FileInfo described;
  mode_t mode = 0;
  if (!Describe(fd, &described, &mode)) return Refuse(fd, errno, error);
  if (!S_ISREG(mode)) return Refuse(fd, static_cast<int>(kNotPlainFileError), error);
  // A plain file ignores O_NONBLOCK on most systems, but not under every
  // kind of lock or file system: cleared, a read never fails with EAGAIN.
  if (!ClearNonblocking(fd)) return Refuse(fd, errno, error);
  if (info != nullptr) *info = described;
  return HandleFromDescriptor(fd);
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) close(DescriptorOf(file));
}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t capacity, uint32_t* bytesRead, uint32_t* error) {
  ssize_t count;
  do {
    count = read(DescriptorOf(file), buffer, capacity);
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    Report(error, errno);
    *bytesRead = 0;
    return false;
  }
  *bytesRead = static_cast<uint32_t>(count);
  return true;
}

bool WriteToFile(FileHandle file, const void* data, uint32_t length, uint32_t* bytesWritten, uint32_t* error) {
  // write may take less than asked (a signal, a nearly full disk); the rest
  // is offered again, so that a full disk reports itself as ENOSPC.
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint32_t done = 0;
  while (done < length) {
    const ssize_t count = write(DescriptorOf(file), bytes + done, length - done);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      Report(error, errno);
      *bytesWritten = done;
      return false;
    }
    if (count == 0) break;
    done += static_cast<uint32_t>(count);
  }
  *bytesWritten = done;
  return true;
}

uint32_t SetFilePosition(FileHandle file, int32_t distance, SeekOrigin origin, uint32_t* error) {
  const int fd = DescriptorOf(file);
  const int whence = origin == SeekFromStart ? SEEK_SET : origin == SeekFromCurrent ? SEEK_CUR : SEEK_END;
  // Only a move from the end, or from the current position, can land where
  // 32 bits cannot express: a signed 32-bit distance from the start stays
  // below 2 GiB, and asking where the file is moves nothing. Only for those
  // moves is the place to return to asked first, which spares the writer a
  // system call on each of its repositionings.
  const bool mayPass32Bits = origin == SeekFromEnd || (origin == SeekFromCurrent && distance != 0);
  off_t before = 0;
  if (mayPass32Bits) {
    before = lseek(fd, 0, SEEK_CUR);
    if (before < 0) {
      Report(error, errno);
      return kInvalidFilePosition;
    }
  }
  const off_t after = lseek(fd, distance, whence);
  if (after < 0) {
    Report(error, errno);
    return kInvalidFilePosition;
  }
  if (after >= static_cast<off_t>(kInvalidFilePosition)) {
    // A 32-bit position cannot express it; leave the file where it was.
    if (mayPass32Bits) lseek(fd, before, SEEK_SET);
    Report(error, EOVERFLOW);
    return kInvalidFilePosition;
  }
  return static_cast<uint32_t>(after);
}

bool TruncateFileHere(FileHandle file, uint32_t* error) {
  const int fd = DescriptorOf(file);
  const off_t here = lseek(fd, 0, SEEK_CUR);
  if (here < 0 || ftruncate(fd, here) != 0) return FailedCall(error);
  return true;
}

bool QueryFileSize(FileHandle file, uint64_t* size, uint32_t* error) {
  struct stat status;
  if (fstat(DescriptorOf(file), &status) != 0) return FailedCall(error);
  *size = static_cast<uint64_t>(status.st_size);
  return true;
}

bool QueryFileInfo(FileHandle file, FileInfo* info, uint32_t* error) {
  mode_t mode = 0;
  return Describe(DescriptorOf(file), info, &mode) || FailedCall(error);
}

bool QueryFolderInfo(const char* path, FileInfo* info, uint32_t* error) {
  // Opened only to be looked at: O_PATH needs no right to list the folder,
  // and O_NOFOLLOW refuses a link in its place.
  const int fd = open(path, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return FailedCall(error);
  mode_t mode = 0;
  const bool described = Describe(fd, info, &mode);
  const int code = errno;
  close(fd);
  if (!described) Report(error, code);
  return described;
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

void* AllocateFixedMemory(size_t size) { return calloc(1, size == 0 ? 1 : size); }

void ReleaseFixedMemory(void* block) { free(block); }
