#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/descriptor_handle_posix.h"
#include "platform/unnamed_file.h"

namespace {

// Where the system shows an open descriptor as a link to its file: linkat
// follows it to give an unnamed file a name without the privilege that
// linkat on the descriptor itself (AT_EMPTY_PATH) would need.
std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

#ifdef O_TMPFILE

FileHandle CreateUnnamedFile(const std::string& folder, bool* unsupported, uint32_t* error) {
  *unsupported = false;
  int fd;
  do {
    fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    // A file system without unnamed files says EOPNOTSUPP; a kernel that
    // does not know the flag takes it for O_DIRECTORY and says EISDIR, or
    // EINVAL.
    *unsupported = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
    *error = static_cast<uint32_t>(errno);
    return kNoFile;
  }
  // Without /proc the file could not be named later, and the archive would
  // be lost at the end; better to know now.
  struct stat status;
  if (stat(DescriptorPath(fd).c_str(), &status) != 0) {
    close(fd);
    *unsupported = true;
    *error = ENOENT;
    return kNoFile;
  }
  return HandleFromDescriptor(fd);
}

bool NameUnnamedFile(FileHandle file, const std::string& path, uint32_t* error) {
  if (linkat(AT_FDCWD, DescriptorPath(DescriptorOf(file)).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return true;
  }
  *error = static_cast<uint32_t>(errno);
  return false;
}

#else  // a system without unnamed files

FileHandle CreateUnnamedFile(const std::string& /*folder*/, bool* unsupported, uint32_t* error) {
  *unsupported = true;
  *error = EOPNOTSUPP;
  return kNoFile;
}

bool NameUnnamedFile(FileHandle /*file*/, const std::string& /*path*/, uint32_t* error) {
  *error = EOPNOTSUPP;
  return false;
}

#endif
