#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "cli/file_system.h"

namespace {

std::string ErrorText(int error) {
  std::string text = strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool ListPlainFiles(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) return false;
  while (const dirent* item = readdir(directory)) {
    struct stat status;
    if (stat(JoinPath(folder, item->d_name).c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
      names->push_back(item->d_name);
    }
  }
  closedir(directory);
  std::sort(names->begin(), names->end());
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first;
  struct stat second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

std::string BareName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool FileSize(const std::string& path, uint64_t* size) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return false;
  *size = static_cast<uint64_t>(status.st_size);
  return true;
}

std::string OpenFailureReason(const std::string& path, bool forWriting) {
  if (forWriting) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return "is a directory";
    if (stat(FolderOf(path).c_str(), &status) != 0) return ErrorText(errno);
    return access(FolderOf(path).c_str(), W_OK) != 0 ? ErrorText(errno) : "unknown reason";
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrorText(errno);
  struct stat status;
  const bool directory = fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
  close(fd);
  return directory ? "is a directory" : "unknown reason";
}

uint64_t FreeSpaceNear(const std::string& path) {
  struct statvfs volume;
  if (statvfs(FolderOf(path).c_str(), &volume) != 0) return UINT64_MAX;
  return static_cast<uint64_t>(volume.f_bavail) * volume.f_frsize;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }
