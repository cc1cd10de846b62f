#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/descriptor_handle_posix.h"
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

namespace {

// Gives the file the owner and group of `status`, or failing that (not
// root) its group only (allowed to a member of it). Returns false when
// neither may be given: the file then keeps the user's own, which is all a
// user can create.
bool TakeOwnerAndGroup(int fd, const struct stat& status) {
  return fchown(fd, status.st_uid, status.st_gid) == 0 || fchown(fd, static_cast<uid_t>(-1), status.st_gid) == 0;
}

}  // namespace

void GiveReplacementPermissions(FileHandle file, const std::string& target) {
  const int fd = DescriptorOf(file);
  struct stat status;
  if (stat(target.c_str(), &status) != 0) {
    // The umask can only be read by setting it; this program has one thread.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    return;
  }
  // Owner and group before the mode: a change of owner clears the set-user
  // and set-group bits that the mode may then give back.
  TakeOwnerAndGroup(fd, status);
  fchmod(fd, status.st_mode & 07777);
}

bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  *error = static_cast<uint32_t>(errno);
  return false;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }
