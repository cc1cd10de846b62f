#include "platform/paths.h"

namespace {

// Both slashes separate components on Windows, and a drive's colon ends
// its prefix ("C:name" is "name" in the drive's current folder).
constexpr char kSeparators[] = "\\/:";

}  // namespace

std::string BareName(const std::string& path) {
  const size_t separator = path.find_last_of(kSeparators);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of(kSeparators);
  return separator == std::string::npos ? "." : path.substr(0, separator + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.find_last_of(kSeparators) == folder.size() - 1 ? folder + name : folder + "\\" + name;
}
