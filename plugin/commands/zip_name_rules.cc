#include "plugin/commands/zip_name_rules.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool IsInsideFolder(const std::string& zipPath, const std::string& folder) {
  if (zipPath.compare(0, folder.size(), folder) != 0) return false;
  // The mail client may report its folder with or without a separator at
  // the end; without one, "C:\p2\temp" must not hold "C:\p2\tempother\x.zip".
  if (folder.empty() || IsSeparator(folder.back())) return true;
  return zipPath.size() > folder.size() && IsSeparator(zipPath[folder.size()]);
}

std::string ZipNameForFile(const std::string& fileTitle) { return fileTitle + ".zip"; }
