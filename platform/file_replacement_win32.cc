#include <windows.h>

#include "platform/file_replacement.h"
#include "platform/wide_text.h"

// On Windows the path is used as it is: its folders have no sticky bit
// whose rule following a link here could bypass.
OutputResolution ResolveOutput(const std::string& path, std::string* target, uint32_t* /*error*/) {
  *target = path;
  return OutputResolved;
}

void GiveReplacementPermissions(FileHandle /*file*/, const std::string& /*target*/) {}

namespace {

// `path` with its last part spelled as the file system has it, when a file
// of that name exists (names differ in case alone on Windows): a file that
// replaces another keeps its name, "Report.zip" even when the user typed
// "report.zip". Otherwise `path` itself.
std::wstring SpelledAsOnDisk(const std::wstring& path) {
  // A name with a wildcard is no file's name: it would find another file,
  // and the replacement would then go over that one.
  const size_t separator = path.find_last_of(L"\\/:");
  const size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
  if (path.find_first_of(L"*?<>\"", nameStart) != std::wstring::npos) return path;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return path;
  FindClose(search);
  // A short (8.3) name the user typed finds the file by its long name: the
  // long name is what stays.
  return path.substr(0, nameStart) + found.cFileName;
}

}  // namespace

// A rename that replaces: the old file goes in the same step as the new one
// takes its name, so there is never a moment without either. The new file
// keeps its own attributes, permissions and streams (see docs/limits.md).
bool CanReplace(const std::string& target, uint32_t* error) {
  std::wstring wide;
  if (!WidenUtf8(target, &wide)) {
    *error = ERROR_INVALID_NAME;
    return false;
  }
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // nothing there, or nothing to look at yet
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    *error = ERROR_ACCESS_DENIED;
    return false;
  }
  // The access a replacing rename needs, shared with everyone: it fails
  // only where the rename would.
  const HANDLE file = CreateFileW(wide.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  CloseHandle(file);
  return true;
}

bool FlushBeforeReplacing(FileHandle file, uint32_t* error) {
  if (FlushFileBuffers(static_cast<HANDLE>(file))) return true;
  *error = GetLastError();
  return false;
}

bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error) {
  std::wstring wideFrom;
  std::wstring wideTo;
  if (!WidenUtf8(from, &wideFrom) || !WidenUtf8(to, &wideTo)) {
    *error = ERROR_INVALID_NAME;
    return false;
  }
  const std::wstring target = SpelledAsOnDisk(wideTo);
  // A virus scanner or the search indexer often opens a file for a moment
  // just after it was written, and the rename then meets a sharing
  // violation: it is tried again for about a second.
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(wideFrom.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    *error = GetLastError();
    if (attempt == 10 || (*error != ERROR_SHARING_VIOLATION && *error != ERROR_ACCESS_DENIED)) return false;
    Sleep(100);
  }
}

bool RemoveFile(const std::string& path) {
  std::wstring wide;
  return WidenUtf8(path, &wide) && DeleteFileW(wide.c_str()) != FALSE;
}
