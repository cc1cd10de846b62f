#include "plugin/binding/ini_path.h"

#include <cstring>

namespace {

// Start of the last path component. The path is UTF-8, in which no byte of
// a multi-byte character looks like a separator.
size_t FileNameStart(const char* path, size_t length) {
  size_t start = 0;
  for (size_t i = 0; i < length; ++i) {
    if (path[i] == '\\' || path[i] == '/' || path[i] == ':') start = i + 1;
  }
  return start;
}

}  // namespace

bool IniPathForModule(const char* modulePath, char* iniPath, size_t capacity) {
  static const char kExtension[] = ".ini";
  const size_t length = strlen(modulePath);
  if (length == 0) {
    if (capacity > 0) iniPath[0] = '\0';
    return false;
  }
  // Only the file name's own dot counts: a dot in a folder name would put
  // the settings beside that folder instead of beside the module.
  const size_t nameStart = FileNameStart(modulePath, length);
  const char* dot = strrchr(modulePath + nameStart, '.');
  const size_t stem = dot != nullptr ? static_cast<size_t>(dot - modulePath) : length;
  if (stem + sizeof kExtension > capacity) {
    if (capacity > 0) iniPath[0] = '\0';
    return false;
  }
  memcpy(iniPath, modulePath, stem);
  memcpy(iniPath + stem, kExtension, sizeof kExtension);
  return true;
}
