// Win32 implementation of the platform layer: thin wrappers over the kernel
// calls the writer was designed around.
#include <windows.h>

#include "platform/platform.h"

namespace {

HANDLE Win32Handle(FileHandle file) { return static_cast<HANDLE>(file); }

FileHandle FromWin32Handle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kNoFile : static_cast<FileHandle>(handle);
}

FileTime FromFiletime(const FILETIME& time) {
  return (static_cast<FileTime>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME ToFiletime(FileTime time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(time);
  result.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return result;
}

}  // namespace

FileHandle CreateOutputFile(const char* path) {
  return FromWin32Handle(
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle OpenInputFile(const char* path) {
  return FromWin32Handle(
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) CloseHandle(Win32Handle(file));
}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t capacity, uint32_t* bytesRead) {
  DWORD count = 0;
  const BOOL ok = ReadFile(Win32Handle(file), buffer, capacity, &count, nullptr);
  *bytesRead = ok ? count : 0;
  return ok != FALSE;
}

bool WriteToFile(FileHandle file, const void* data, uint32_t length, uint32_t* bytesWritten) {
  DWORD count = 0;
  const BOOL ok = WriteFile(Win32Handle(file), data, length, &count, nullptr);
  *bytesWritten = ok ? count : 0;
  return ok != FALSE;
}

uint32_t SetFilePosition(FileHandle file, int32_t distance, SeekOrigin origin) {
  const DWORD method = origin == SeekFromStart ? FILE_BEGIN : origin == SeekFromCurrent ? FILE_CURRENT : FILE_END;
  // Without a high part, SetFilePointer fails rather than return a position
  // beyond 32 bits, so 0xFFFFFFFF is always a failure here.
  return SetFilePointer(Win32Handle(file), distance, nullptr, method);
}

bool TruncateFileHere(FileHandle file) { return SetEndOfFile(Win32Handle(file)) != FALSE; }

// GetFileSizeEx rather than GetFileSize, whose failure value is also a valid
// low half of a size.
bool QueryFileSize(FileHandle file, uint64_t* size) {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(Win32Handle(file), &value)) return false;
  *size = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool QueryFileInfo(FileHandle file, FileInfo* info) {
  BY_HANDLE_FILE_INFORMATION details;
  if (!GetFileInformationByHandle(Win32Handle(file), &details)) return false;
  info->attributes = details.dwFileAttributes;
  info->creationTime = FromFiletime(details.ftCreationTime);
  info->lastAccessTime = FromFiletime(details.ftLastAccessTime);
  info->lastWriteTime = FromFiletime(details.ftLastWriteTime);
  info->size = (static_cast<uint64_t>(details.nFileSizeHigh) << 32) | details.nFileSizeLow;
  return true;
}

FileTime CurrentUtcFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return FromFiletime(now);
}

// FileTimeToLocalFileTime applies today's daylight-saving bias to every date;
// converting through SYSTEMTIME with the zone's own rules gives the wall
// clock that was actually shown at that instant.
FileTime UtcToLocalFileTime(FileTime utc) {
  const FILETIME utcTime = ToFiletime(utc);
  SYSTEMTIME utcFields;
  SYSTEMTIME localFields;
  FILETIME local;
  if (!FileTimeToSystemTime(&utcTime, &utcFields) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utcFields, &localFields) ||
      !SystemTimeToFileTime(&localFields, &local)) {
    FILETIME fallback;
    if (!FileTimeToLocalFileTime(&utcTime, &fallback)) return utc;
    return FromFiletime(fallback);
  }
  // SYSTEMTIME keeps milliseconds only; carry the finer ticks over.
  return FromFiletime(local) + utc % 10000;
}

bool IsAnsiLeadByte(unsigned char value) { return IsDBCSLeadByte(value) != FALSE; }

void* AllocateFixedMemory(size_t size) {
  return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size == 0 ? 1 : size);
}

void ReleaseFixedMemory(void* block) {
  if (block != nullptr) GlobalFree(block);
}
