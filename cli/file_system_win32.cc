#include <windows.h>

#include <algorithm>
#include <cctype>

#include "cli/file_system.h"
#include "platform/platform.h"

namespace {

std::string ErrorText(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return "no such file";
    case ERROR_PATH_NOT_FOUND: return "no such folder";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_SHARING_VIOLATION: return "in use by another program";
    case ERROR_LOCK_VIOLATION: return "locked by another program";
    case ERROR_INVALID_NAME: return "invalid name";
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

std::string FolderOf(const std::string& path) {
  const size_t separator = LastSeparator(path);
  return separator == std::string::npos ? "." : path.substr(0, separator + 1);
}

}  // namespace

bool ListPlainFiles(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names->push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names->begin(), names->end());
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(file, info);
    CloseHandle(file);
    return ok != FALSE;
  };
  BY_HANDLE_FILE_INFORMATION first;
  BY_HANDLE_FILE_INFORMATION second;
  return identify(a, &first) && identify(b, &second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

std::string BareName(const std::string& path) {
  const size_t separator = LastSeparator(path);
  return separator == std::string::npos ? path : path.substr(separator + 1);
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

std::string OpenFailureReason(const std::string& path, bool forWriting) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "is a directory";
  if (forWriting && attributes == INVALID_FILE_ATTRIBUTES) {
    // Nothing of that name: either its folder is missing or it may not be
    // created there. Probing by creating it would leave a file behind.
    return GetFileAttributesA(FolderOf(path).c_str()) == INVALID_FILE_ATTRIBUTES ? "no such folder"
                                                                                : "permission denied";
  }
  HANDLE file = CreateFileA(path.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ, forWriting ? 0 : FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ErrorText(GetLastError());
  CloseHandle(file);
  return "unknown reason";
}

uint64_t FreeSpaceNear(const std::string& path) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExA(FolderOf(path).c_str(), &available, nullptr, nullptr)) return UINT64_MAX;
  return available.QuadPart;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }
