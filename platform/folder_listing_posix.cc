#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/folder_listing.h"
#include "platform/paths.h"

namespace {

FileIdentity IdentityOf(const struct stat& status) {
  return FileIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

// The path with every link resolved, or "" when it cannot be resolved.
std::string RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return "";
  std::string real = resolved;
  free(resolved);
  return real;
}

// Whether `path` lies below `folder`, both resolved: at a component
// boundary, so that "/a/bc/x" is not inside "/a/b".
bool LiesInside(const std::string& path, const std::string& folder) {
  if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
  return folder.back() == '/' || path[folder.size()] == '/';
}

// Whether the link `name` leads to a file inside the folder whose resolved
// path is `realFolder`, and is the file `reached` the listing saw through
// it. Resolved by the system, not read as text: "sub/../../x" and links
// to links count for where they end. The resolved path is looked at once
// more, so that a link turned elsewhere between the two looks counts as
// leading outside.
bool LeadsInside(const std::string& realFolder, const char* name, const struct stat& reached) {
  const std::string target = RealPath(JoinPath(realFolder, name));
  if (target.empty() || !LiesInside(target, realFolder)) return false;
  struct stat status;
  return stat(target.c_str(), &status) == 0 && IdentityOf(status) == IdentityOf(reached);
}

// A folder stream, closed when it goes (with the descriptor it was opened on).
struct FolderStream {
  DIR* stream;
  ~FolderStream() {
    if (stream != nullptr) closedir(stream);
  }
};

}  // namespace

bool ListPlainFiles(const std::string& folder, std::vector<FolderEntry>* files, uint32_t* error) {
  return ListFolder(folder, files, nullptr, error);
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>* files, std::vector<SubfolderEntry>* folders,
                uint32_t* error) {
  files->clear();
  if (folders != nullptr) folders->clear();
  // The folder is opened once and its entries are looked at through that
  // descriptor, so that the listing is of one folder even when its path is
  // renamed or replaced meanwhile.
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) {
    *error = static_cast<uint32_t>(errno);
    return false;
  }
  FolderStream listing{fdopendir(descriptor)};
  if (listing.stream == nullptr) {
    *error = static_cast<uint32_t>(errno);
    close(descriptor);
    return false;
  }
  // Where links lead is judged against the folder's resolved path, which
  // must still be the folder opened.
  const std::string realFolder = RealPath(folder);
  if (realFolder.empty()) {
    *error = static_cast<uint32_t>(errno);
    return false;
  }
  struct stat opened;
  struct stat resolved;
  if (fstat(descriptor, &opened) != 0 || stat(realFolder.c_str(), &resolved) != 0 ||
      IdentityOf(opened) != IdentityOf(resolved)) {
    *error = ENOENT;  // the folder was moved or replaced while it was opened
    return false;
  }
  while (const dirent* item = readdir(listing.stream)) {
    struct stat status;
    if (fstatat(descriptor, item->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    bool leadsOutside = false;
    const bool isLink = S_ISLNK(status.st_mode);
    if (isLink) {
      // A link counts for the file it reaches; one that reaches nothing, or
      // no plain file or folder, is not listed.
      struct stat reached;
      if (fstatat(descriptor, item->d_name, &reached, 0) != 0) continue;
      status = reached;
      leadsOutside = S_ISREG(status.st_mode) && !LeadsInside(realFolder, item->d_name, status);
    }
    if (S_ISDIR(status.st_mode)) {
      if (folders != nullptr && strcmp(item->d_name, ".") != 0 && strcmp(item->d_name, "..") != 0) {
        folders->push_back(SubfolderEntry{item->d_name, true, isLink, IdentityOf(status)});
      }
      continue;
    }
    if (!S_ISREG(status.st_mode)) continue;
    files->push_back(
        FolderEntry{item->d_name, static_cast<uint64_t>(status.st_size), true, leadsOutside, IdentityOf(status)});
  }
  return true;
}
