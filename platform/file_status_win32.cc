#include <windows.h>

#include <cwchar>

#include "platform/file_status.h"
#include "platform/wide_text.h"

namespace {

// A handle that asks for no access, so that files held by others without
// sharing, and folders, can still be looked at.
HANDLE OpenForLooking(const std::string& path) {
  std::wstring wide;
  if (!WidenUtf8(path, &wide)) return INVALID_HANDLE_VALUE;
  return CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool Identify(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE file = OpenForLooking(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  const BOOL ok = GetFileInformationByHandle(file, info);
  CloseHandle(file);
  return ok != FALSE;
}

}  // namespace

PathKind KindOf(const std::string& path) {
  std::wstring wide;
  if (!WidenUtf8(path, &wide)) return PathMissing;
  // A device name (CON, NUL, COM1.zip...) names the device in any folder;
  // the system's full path of it says so, whether the device opens or not.
  wchar_t full[MAX_PATH + 8];
  const DWORD length = GetFullPathNameW(wide.c_str(), sizeof full / sizeof full[0], full, nullptr);
  if (length > 4 && length < sizeof full / sizeof full[0] && wcsncmp(full, L"\\\\.\\", 4) == 0) return PathOther;
  // A colon after the drive prefix names a stream inside a file, not a file.
  size_t start = wide.compare(0, 4, L"\\\\?\\") == 0 ? 4 : 0;
  if (wide.size() >= start + 2 && wide[start + 1] == L':') start += 2;
  if (wide.find(L':', start) != std::wstring::npos) return PathOther;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return PathOther;
  }
  // Devices such as CON or NUL answer to any folder; only an open handle
  // tells them from files.
  HANDLE file = OpenForLooking(path);
  if (file == INVALID_HANDLE_VALUE) return PathMissing;
  const DWORD type = GetFileType(file);
  CloseHandle(file);
  return type == FILE_TYPE_DISK ? PathRegular : PathOther;
}

bool FileSize(const std::string& path, uint64_t* size) {
  std::wstring wide;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!WidenUtf8(path, &wide) || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool IdentifyFile(const std::string& path, FileIdentity* identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!Identify(path, &info)) return false;
  identity->volume = info.dwVolumeSerialNumber;
  identity->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  FileIdentity first;
  FileIdentity second;
  return IdentifyFile(a, &first) && IdentifyFile(b, &second) && first == second;
}
