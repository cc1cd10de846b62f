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
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return path;
  FindClose(search);
  const size_t separator = path.find_last_of(L"\\/:");
  const size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
  // A short (8.3) name the user typed finds the file by its long name: the
  // long name is what stays.
  return path.substr(0, nameStart) + found.cFileName;
}

}  // namespace

// A rename that replaces: the old file goes in the same step as the new one
// takes its name, so there is never a moment without either. The new file
// keeps its own attributes, permissions and streams (see docs/limits.md).
bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error) {
  std::wstring wideFrom;
  std::wstring wideTo;
  if (!WidenUtf8(from, &wideFrom) || !WidenUtf8(to, &wideTo)) {
    *error = ERROR_INVALID_NAME;
    return false;
  }
  if (MoveFileExW(wideFrom.c_str(), SpelledAsOnDisk(wideTo).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  *error = GetLastError();
  return false;
}

bool RemoveFile(const std::string& path) {
  std::wstring wide;
  return WidenUtf8(path, &wide) && DeleteFileW(wide.c_str()) != FALSE;
}
