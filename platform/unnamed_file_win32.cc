#include <windows.h>

#include "platform/unnamed_file.h"

// Windows has no file that is created without a name and named later; the
// caller writes under a temporary name, which it removes on every failure
// and on Ctrl+C.
FileHandle CreateUnnamedFile(const std::string& /*folder*/, bool* unsupported, uint32_t* error) {
  *unsupported = true;
  *error = ERROR_NOT_SUPPORTED;
  return kNoFile;
}

bool NameUnnamedFile(FileHandle /*file*/, const std::string& /*path*/, uint32_t* error) {
  *error = ERROR_NOT_SUPPORTED;
  return false;
}
