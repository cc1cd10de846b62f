#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_replacement.h"

std::string ResolveOutput(const std::string& path) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;  // a dangling link is replaced itself
  std::string target = resolved;
  free(resolved);
  return target;
}

void CopyPermissions(const std::string& from, const std::string& to) {
  struct stat status;
  if (stat(from.c_str(), &status) == 0) chmod(to.c_str(), status.st_mode & 07777);
}

bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  *error = static_cast<uint32_t>(errno);
  return false;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }
