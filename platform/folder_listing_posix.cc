#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>

#include "platform/folder_listing.h"
#include "platform/paths.h"

bool ListPlainFiles(const std::string& folder, std::vector<FolderEntry>* files, uint32_t* error) {
  files->clear();
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) {
    *error = static_cast<uint32_t>(errno);
    return false;
  }
  while (const dirent* item = readdir(directory)) {
    struct stat status;
    if (stat(JoinPath(folder, item->d_name).c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
      files->push_back(FolderEntry{item->d_name, static_cast<uint64_t>(status.st_size), true, false, FileIdentity{}});
    }
  }
  closedir(directory);
  return true;
}
