#include <sys/stat.h>

#include "platform/file_status.h"

PathKind KindOf(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return PathMissing;
  return S_ISREG(status.st_mode) ? PathRegular : PathOther;
}

bool FileSize(const std::string& path, uint64_t* size) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return false;
  *size = static_cast<uint64_t>(status.st_size);
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first;
  struct stat second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}
