#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "cli/file_system.h"
#include "platform/platform.h"

namespace {

// The path an interruption removes. The control handler runs on a thread of
// its own while the main thread may still be writing; the file was created
// sharing delete, so it can be removed while open and goes when the process
// ends.
char interruptPath[MAX_PATH + 1];
volatile LONG removeOnInterrupt = 0;

BOOL WINAPI OnControlEvent(DWORD /*event*/) {
  if (InterlockedCompareExchange(&removeOnInterrupt, 0, 0) != 0) DeleteFileA(interruptPath);
  return FALSE;  // let the next handler end the program
}

// Where the last separator is, stepping over double-byte characters, whose
// second byte may look like a backslash.
size_t LastSeparator(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (c == '\\' || c == '/' || c == ':') {
      last = i;
    } else if (IsAnsiLeadByte(c)) {
      ++i;
    }
  }
  return last;
}

}  // namespace

bool ListPlainFiles(const std::string& folder, std::vector<std::string>* names, uint32_t* error) {
  names->clear();
  // FindFirstFileA on "file\*" can succeed oddly or fail vaguely: ask first.
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *error = GetLastError();
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    *error = ERROR_DIRECTORY;
    return false;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return *error == ERROR_FILE_NOT_FOUND;
  }
  do {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0) {
      names->push_back(found.cFileName);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names->begin(), names->end());
  return true;
}

PathKind KindOf(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return PathOther;
  }
  // Devices such as CON or NUL answer to any folder; only an open handle
  // tells them from files.
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return PathMissing;
  const DWORD type = GetFileType(file);
  CloseHandle(file);
  return type == FILE_TYPE_DISK ? PathRegular : PathOther;
}

std::string ResolveOutput(const std::string& path) { return path; }

std::string BareName(const std::string& path) {
  const size_t separator = LastSeparator(path);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t separator = LastSeparator(path);
  return separator == std::string::npos ? "." : path.substr(0, separator + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const size_t separator = LastSeparator(folder);
  return separator == folder.size() - 1 ? folder + name : folder + "\\" + name;
}

bool FileSize(const std::string& path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

std::string DescribeFileError(uint32_t error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return "no such file";
    case ERROR_PATH_NOT_FOUND: return "no such folder";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_SHARING_VIOLATION: return "in use by another program";
    case ERROR_LOCK_VIOLATION: return "locked by another program";
    case ERROR_INVALID_NAME: return "invalid name";
    case ERROR_DIRECTORY: return "not a folder";
    case ERROR_BAD_FILE_TYPE: return "not a regular file";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "the disk is full";
    default: break;
  }
  char text[256] = "";
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) return "system error " + std::to_string(error);
  message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
  return message;
}

bool IsAlreadyExistsError(uint32_t error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

std::string FoldCase(const std::string& name) {
  // Upper case by the ANSI code page's own rules, double-byte characters
  // included, as the file system compares names.
  std::string folded = name;
  if (!folded.empty()) CharUpperBuffA(&folded[0], static_cast<DWORD>(folded.size()));
  return folded;
}

void CopyPermissions(const std::string& /*from*/, const std::string& /*to*/) {}

bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  *error = GetLastError();
  return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

uint32_t ProcessId() { return GetCurrentProcessId(); }

void RemoveOnInterrupt(const std::string& path) {
  if (path.size() >= sizeof interruptPath) return;
  memcpy(interruptPath, path.c_str(), path.size() + 1);
  InterlockedExchange(&removeOnInterrupt, 1);
  SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

void StopRemovingOnInterrupt() {
  InterlockedExchange(&removeOnInterrupt, 0);
  SetConsoleCtrlHandler(OnControlEvent, FALSE);
}

bool ErrorsGoToTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}
