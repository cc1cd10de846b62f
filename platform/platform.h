// The operating-system services that the archive writer and the compressor
// use: files, the clock and fixed memory. One implementation calls the Win32
// kernel, another POSIX; CMake picks one. The functions behave like the Win32
// calls they are named after, so the writer sees the same results on every
// platform.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file_handle.h"
#include "platform/file_time.h"

// Windows file attribute bits, as GetFileInformationByHandle reports them.
enum FileAttribute : uint32_t {
  FileReadOnly = 0x01,
  FileHidden = 0x02,
  FileSystem = 0x04,
  FileDirectory = 0x10,
  FileArchive = 0x20,
  FileNormal = 0x80,
};

// Which file an open handle reaches: its volume and its index there (volume
// serial number and file index on Windows, device and inode on POSIX). Two
// handles with equal identities reach one file, however it was named.
struct FileIdentity {
  uint64_t volume;
  uint64_t index;
};
inline bool operator==(const FileIdentity& a, const FileIdentity& b) {
  return a.volume == b.volume && a.index == b.index;
}
inline bool operator!=(const FileIdentity& a, const FileIdentity& b) { return !(a == b); }

struct FileInfo {
  uint32_t attributes;      // FileAttribute bits
  FileTime creationTime;    // UTC
  FileTime lastAccessTime;  // UTC
  FileTime lastWriteTime;   // UTC
  uint64_t size;
  FileIdentity identity;
  // UTC: the last change of the file's data or of what is recorded about it
  // (POSIX ctime; on Windows the change time NTFS keeps). The calls that
  // set the other times (utime, SetFileTime) set it to now, never back, so a
  // file rewritten with its last write time restored still shows a new one.
  // 0 where the system does not tell.
  FileTime changeTime;
};

enum SeekOrigin { SeekFromStart, SeekFromCurrent, SeekFromEnd };

// SetFilePosition's failure result, as SetFilePointer's.
constexpr uint32_t kInvalidFilePosition = 0xFFFFFFFFu;

// Paths are UTF-8 on every platform. Every call that can fail takes an
// `error` last: when it fails and `error` is given, *error receives the
// system's code for why (errno on POSIX, GetLastError on Windows), which
// error words in platform/file_errors.h turn into text. Nothing else keeps
// it, so a caller that wants it passes one.

// Creates `path` for writing, replacing any file of that name, shared with
// nobody while it is open. Only a plain file on a disk is an output: a name
// that opens a device, a folder or a pipe fails, with nothing written to
// it. Returns kNoFile on failure.
FileHandle CreateOutputFile(const char* path, uint32_t* error = nullptr);

// Creates `path` for writing only if nothing of that name exists (a link
// counts as existing and is never followed), shared with nobody while open
// except that it may be deleted, so that an interrupted program can remove
// it. On POSIX only its owner may read or write it (mode 0600): it is meant
// to take another file's place once complete, and to get that file's
// permissions then. Returns kNoFile on failure.
FileHandle CreateNewOutputFile(const char* path, uint32_t* error = nullptr);

// Opens an existing plain file for reading; others may read it at the same
// time. Anything else (a folder, a device, a pipe, a socket) is refused, and
// the open never waits for another program. Returns kNoFile on failure,
// also when the file cannot be described. When `info` is given it receives
// what QueryFileInfo would report, from the same look at the file that found
// it plain, so that a caller needs no query of its own.
FileHandle OpenInputFile(const char* path, FileInfo* info = nullptr, uint32_t* error = nullptr);

// The error OpenInputFile reports when it refused a name because it opens
// something other than a plain file (a folder, a device, a pipe).
extern const uint32_t kNotPlainFileError;

// Closes a handle from CreateOutputFile or OpenInputFile. kNoFile is ignored.
void CloseFile(FileHandle file);

// Reads up to `capacity` bytes at the current position. Returns false when the
// read fails; otherwise *bytesRead is the count, 0 at the end of the file.
bool ReadFromFile(FileHandle file, void* buffer, uint32_t capacity, uint32_t* bytesRead, uint32_t* error = nullptr);

// Reads exactly `length` bytes at the current position, with as many reads
// as it takes. Returns false when a read fails or the file ends first.
inline bool ReadExactly(FileHandle file, void* buffer, uint32_t length) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  while (length > 0) {
    uint32_t count = 0;
    if (!ReadFromFile(file, bytes, length, &count) || count == 0) return false;
    bytes += count;
    length -= count;
  }
  return true;
}

// Writes `length` bytes at the current position. Returns false when the write
// fails; a true result may still report fewer bytes written than asked.
// Implementations retry a partial write, so a short count means the system
// accepted no more without reporting why.
bool WriteToFile(FileHandle file, const void* data, uint32_t length, uint32_t* bytesWritten, uint32_t* error = nullptr);

// Moves the position by a signed 32-bit distance from `origin` and returns the
// new position, or kInvalidFilePosition when the move fails or the new
// position does not fit 32 bits.
uint32_t SetFilePosition(FileHandle file, int32_t distance, SeekOrigin origin, uint32_t* error = nullptr);

// Reads exactly `length` bytes at `offset` from the start of a file under
// 4 GiB: beyond 2 GiB the move takes two steps, as one takes a signed 32-bit
// distance. Returns false when a move or a read fails or the file ends first.
inline bool ReadExactlyAt(FileHandle file, uint64_t offset, void* buffer, uint32_t length) {
  if (offset > 0x7FFFFFFF) {
    if (SetFilePosition(file, 0x7FFFFFFF, SeekFromStart) != 0x7FFFFFFF ||
        SetFilePosition(file, static_cast<int32_t>(offset - 0x7FFFFFFF), SeekFromCurrent) != offset) {
      return false;
    }
  } else if (SetFilePosition(file, static_cast<int32_t>(offset), SeekFromStart) != offset) {
    return false;
  }
  return ReadExactly(file, buffer, length);
}

// Ends the file at the current position, discarding everything after it.
bool TruncateFileHere(FileHandle file, uint32_t* error = nullptr);

// The full size of an open file. Returns false when it cannot be queried.
bool QueryFileSize(FileHandle file, uint64_t* size, uint32_t* error = nullptr);

// Attributes, times, size and identity of an open file, from one look at
// it. Returns false on failure.
bool QueryFileInfo(FileHandle file, FileInfo* info, uint32_t* error = nullptr);

// Attributes (FileDirectory among them), times and identity of the folder
// `path` names, itself and not what a link of that name leads to, from one
// look at it. Returns false when it is no folder or cannot be looked at.
bool QueryFolderInfo(const char* path, FileInfo* info, uint32_t* error = nullptr);

// The clock, in UTC.
FileTime CurrentUtcFileTime();

// The local wall-clock time at the UTC instant `utc`, by the zone rules in
// force on that date. UtcToLocalFileTime(CurrentUtcFileTime()) is the local
// clock.
FileTime UtcToLocalFileTime(FileTime utc);

// Zero-filled memory that does not move; nullptr when none can be had.
// Released with ReleaseFixedMemory, which ignores nullptr.
void* AllocateFixedMemory(size_t size);
void ReleaseFixedMemory(void* block);
