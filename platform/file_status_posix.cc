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

bool IdentifyFile(const std::string& path, FileIdentity* identity) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return false;
  *identity = FileIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  FileIdentity first;
  FileIdentity second;
  return IdentifyFile(a, &first) && IdentifyFile(b, &second) && first == second;
}
