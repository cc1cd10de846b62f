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

bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error) {
  std::wstring wideFrom;
  std::wstring wideTo;
  if (!WidenUtf8(from, &wideFrom) || !WidenUtf8(to, &wideTo)) {
    *error = ERROR_INVALID_NAME;
    return false;
  }
  if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  *error = GetLastError();
  return false;
}

bool RemoveFile(const std::string& path) {
  std::wstring wide;
  return WidenUtf8(path, &wide) && DeleteFileW(wide.c_str()) != FALSE;
}
