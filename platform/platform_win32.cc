// Win32 implementation of the platform layer: thin wrappers over the kernel
// calls the writer was designed around.
#include <windows.h>
#include <winternl.h>

#include "platform/platform.h"
#include "platform/wide_text.h"

namespace {

// Tells the caller why a call failed, when it asked.
void Report(uint32_t* error, DWORD code) {
  if (error != nullptr) *error = code;
}

// Reports the failure of the call just made and passes its result on.
template <typename Result>
Result Failed(Result result, uint32_t* error) {
  Report(error, GetLastError());
  return result;
}

HANDLE Win32Handle(FileHandle file) { return static_cast<HANDLE>(file); }

FileHandle FromWin32Handle(HANDLE handle, uint32_t* error) {
  return handle == INVALID_HANDLE_VALUE ? Failed(kNoFile, error) : static_cast<FileHandle>(handle);
}

FileTime FromFiletime(const FILETIME& time) {
  return (static_cast<FileTime>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// CreateFileW on a UTF-8 path; a path that is not UTF-8 names no file.
HANDLE CreateFileUtf8(const char* path, DWORD access, DWORD sharing, DWORD disposition, DWORD flags) {
  std::wstring wide;
  if (path == nullptr || !WidenUtf8(path, &wide)) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(wide.c_str(), access, sharing, nullptr, disposition, flags, nullptr);
}

// An output is a file on a disk or nothing: a name such as "nul.zip" or
// "COM1" opens a device, which would swallow the archive and leave no file
// to attach. Nothing was created then, so closing the handle is all there
// is to undo.
FileHandle DiskFileOnly(HANDLE handle, uint32_t* error) {
  const FileHandle file = FromWin32Handle(handle, error);
  if (file == kNoFile || GetFileType(handle) == FILE_TYPE_DISK) return file;
  CloseHandle(handle);
  Report(error, ERROR_BAD_FILE_TYPE);
  return kNoFile;
}

// FileInfo from what GetFileInformationByHandle reports: one call tells
// attributes, three of the times, size and identity; the change time is
// asked for apart (ChangeTimeOf).
FileInfo InfoOf(const BY_HANDLE_FILE_INFORMATION& details) {
  FileInfo info{};
  info.attributes = details.dwFileAttributes;
  info.creationTime = FromFiletime(details.ftCreationTime);
  info.lastAccessTime = FromFiletime(details.ftLastAccessTime);
  info.lastWriteTime = FromFiletime(details.ftLastWriteTime);
  info.size = (static_cast<uint64_t>(details.nFileSizeHigh) << 32) | details.nFileSizeLow;
  info.identity.volume = details.dwVolumeSerialNumber;
  info.identity.index = (static_cast<uint64_t>(details.nFileIndexHigh) << 32) | details.nFileIndexLow;
  return info;
}

// GetFileInformationByHandle leaves out the change time; the native call
// beneath it tells it on every Windows since NT. Found at run time, so that
// the plug-in imports nothing from ntdll.dll and loads wherever it did.
using QueryInformationFunction = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);

QueryInformationFunction FindQueryInformationFunction() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return nullptr;
  return reinterpret_cast<QueryInformationFunction>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationFile")));
}

// The change time of an open file, 0 when the system does not tell (a file
// system that keeps none answers 0 itself). Looked up on each call: two
// lookups in a loaded module cost little beside opening the file.
FileTime ChangeTimeOf(HANDLE handle) {
  const QueryInformationFunction query = FindQueryInformationFunction();
  FILE_BASIC_INFORMATION basic;
  IO_STATUS_BLOCK status;
  if (query == nullptr || query(handle, &status, &basic, sizeof basic, FileBasicInformation) < 0) return 0;
  return static_cast<FileTime>(basic.ChangeTime.QuadPart);
}

FILETIME ToFiletime(FileTime time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(time);
  result.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return result;
}

}  // namespace

const uint32_t kNotPlainFileError = ERROR_BAD_FILE_TYPE;

FileHandle CreateOutputFile(const char* path, uint32_t* error) {
  return DiskFileOnly(CreateFileUtf8(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL), error);
}

FileHandle CreateNewOutputFile(const char* path, uint32_t* error) {
  // CREATE_NEW fails on any existing name. Sharing delete lets a console
  // control handler remove the file while it is still being written.
  return DiskFileOnly(CreateFileUtf8(path, GENERIC_WRITE, FILE_SHARE_DELETE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL), error);
}

FileHandle OpenInputFile(const char* path, FileInfo* info, uint32_t* error) {
  uint32_t openError = 0;
  const FileHandle file =
      FromWin32Handle(CreateFileUtf8(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0), &openError);
  if (file == kNoFile) {
    // A folder cannot be opened this way at all, and says only that access
    // was denied.
    std::wstring wide;
    if (openError == ERROR_ACCESS_DENIED && WidenUtf8(path, &wide)) {
      const DWORD attributes = GetFileAttributesW(wide.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        openError = ERROR_BAD_FILE_TYPE;
      }
    }
    Report(error, openError);
    return kNoFile;
  }
  // Consoles, pipes and devices open like files but are not plain files: they
  // could be read without end or block a read. Consoles and devices have no
  // file information, pipes answer as pipes. (GetFileType would tell in one
  // call, but under Wine it counts as an access and moves the access time.)
  BY_HANDLE_FILE_INFORMATION details;
  if (!GetFileInformationByHandle(Win32Handle(file), &details) ||
      (details.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ||
      GetNamedPipeInfo(Win32Handle(file), nullptr, nullptr, nullptr, nullptr)) {
    CloseHandle(Win32Handle(file));
    Report(error, ERROR_BAD_FILE_TYPE);
    return kNoFile;
  }
  if (info != nullptr) {
    *info = InfoOf(details);
    info->changeTime = ChangeTimeOf(Win32Handle(file));
  }
  return file;
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) CloseHandle(Win32Handle(file));
}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t capacity, uint32_t* bytesRead, uint32_t* error) {
  DWORD count = 0;
  const BOOL ok = ReadFile(Win32Handle(file), buffer, capacity, &count, nullptr);
  *bytesRead = ok ? count : 0;
  if (!ok) return Failed(false, error);
  return true;
}

bool WriteToFile(FileHandle file, const void* data, uint32_t length, uint32_t* bytesWritten, uint32_t* error) {
  DWORD count = 0;
  const BOOL ok = WriteFile(Win32Handle(file), data, length, &count, nullptr);
  *bytesWritten = ok ? count : 0;
  if (!ok) return Failed(false, error);
  return true;
}

uint32_t SetFilePosition(FileHandle file, int32_t distance, SeekOrigin origin, uint32_t* error) {
  const DWORD method = origin == SeekFromStart ? FILE_BEGIN : origin == SeekFromCurrent ? FILE_CURRENT : FILE_END;
  // Without a high part, SetFilePointer fails rather than return a position
  // beyond 32 bits, so 0xFFFFFFFF is always a failure here.
  const DWORD position = SetFilePointer(Win32Handle(file), distance, nullptr, method);
  return position == INVALID_SET_FILE_POINTER ? Failed(kInvalidFilePosition, error) : position;
}

bool TruncateFileHere(FileHandle file, uint32_t* error) {
  return SetEndOfFile(Win32Handle(file)) != FALSE || Failed(false, error);
}

// GetFileSizeEx rather than GetFileSize, whose failure value is also a valid
// low half of a size.
bool QueryFileSize(FileHandle file, uint64_t* size, uint32_t* error) {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(Win32Handle(file), &value)) return Failed(false, error);
  *size = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool QueryFileInfo(FileHandle file, FileInfo* info, uint32_t* error) {
  BY_HANDLE_FILE_INFORMATION details;
  if (!GetFileInformationByHandle(Win32Handle(file), &details)) return Failed(false, error);
  *info = InfoOf(details);
  info->changeTime = ChangeTimeOf(Win32Handle(file));
  return true;
}

bool QueryFolderInfo(const char* path, FileInfo* info, uint32_t* error) {
  std::wstring widePath;
  if (!WidenUtf8(path, &widePath)) {
    Report(error, ERROR_INVALID_NAME);
    return false;
  }
  // Opened only to be looked at, with no access to its contents; a folder
  // opens only with backup semantics, and a reparse point in its place is
  // opened itself rather than followed.
  const HANDLE folder =
      CreateFileW(widePath.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return Failed(false, error);
  BY_HANDLE_FILE_INFORMATION details;
  const bool described = GetFileInformationByHandle(folder, &details) != 0;
  const DWORD code = GetLastError();
  if (described) {
    *info = InfoOf(details);
    info->changeTime = ChangeTimeOf(folder);
  }
  CloseHandle(folder);
  if (described && (details.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
  Report(error, described ? ERROR_DIRECTORY : code);
  return false;
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

void* AllocateFixedMemory(size_t size) { return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size == 0 ? 1 : size); }

void ReleaseFixedMemory(void* block) {
  if (block != nullptr) GlobalFree(block);
}
