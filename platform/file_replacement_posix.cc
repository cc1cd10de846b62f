#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/descriptor_handle_posix.h"
#include "platform/file_replacement.h"
#include "platform/paths.h"

namespace {

// Gives the file the owner and group of `status`, or failing that (not
// root) its group only (allowed to a member of it). Returns false when
// neither may be given: the file then keeps the user's own, which is all a
// user can create.
bool TakeOwnerAndGroup(int fd, const struct stat& status) {
  return fchown(fd, status.st_uid, status.st_gid) == 0 || fchown(fd, static_cast<uid_t>(-1), status.st_gid) == 0;
}

// As many links as the kernel follows in one path (MAXSYMLINKS).
constexpr int kMostLinks = 40;

// The kernel's rule for following a link in a shared folder: a stranger's
// link in a sticky folder that all may write to is not followed, unless
// the folder's owner made it.
bool FollowingIsRefused(const struct stat& link, const struct stat& folder) {
  const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
  return shared && link.st_uid != geteuid() && link.st_uid != folder.st_uid;
}

bool ReadLinkText(const std::string& link, std::string* text, uint32_t* error) {
  std::vector<char> buffer(PATH_MAX);
  const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
  if (length < 0) {
    *error = static_cast<uint32_t>(errno);
    return false;
  }
  if (static_cast<size_t>(length) >= buffer.size()) {
    *error = ENAMETOOLONG;
    return false;
  }
  text->assign(buffer.data(), static_cast<size_t>(length));
  return true;
}

}  // namespace

OutputResolution ResolveOutput(const std::string& path, std::string* target, uint32_t* error) {
  std::string current = path;
  for (int links = 0;; ++links) {
    *target = current;
    struct stat status;
    // Nothing there, or no link: this is the file. What cannot be looked at
    // fails later, when it is created or replaced, with the system's reason.
    if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return OutputResolved;
    if (links == kMostLinks) {
      *error = ELOOP;
      return OutputLinkUnfollowable;
    }
    const std::string folderPath = FolderOf(current);
    struct stat folder;
    if (stat(folderPath.c_str(), &folder) != 0) {
      *error = static_cast<uint32_t>(errno);
      return OutputLinkUnfollowable;
    }
    if (FollowingIsRefused(status, folder)) return OutputLinkInSharedFolder;
    // The text itself, not realpath: a dangling link has no real path, and
    // its target is to be created where the link says.
    std::string text;
    if (!ReadLinkText(current, &text, error)) return OutputLinkUnfollowable;
    current = !text.empty() && text[0] == '/' ? text : JoinPath(folderPath, text);
  }
}

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

bool CanReplace(const std::string& /*target*/, uint32_t* /*error*/) { return true; }

bool FlushBeforeReplacing(FileHandle file, uint32_t* error) {
  if (fsync(DescriptorOf(file)) == 0) return true;
  *error = static_cast<uint32_t>(errno);
  return false;
}

bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  *error = static_cast<uint32_t>(errno);
  return false;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }
