#include "plugin/zip_name_rules.h"

bool IsInsideFolder(const std::string& zipPath, const std::string& folder) {
  return zipPath.compare(0, folder.size(), folder) == 0;
}

std::string SaveWarningText(const std::string& tempFolder) {
  return "If you save the zip archive to a folder other than '" + tempFolder +
         "' it won't be automatically deleted upon closing Orvel!\nAre you sure you want to do this?";
}

std::string ZipNameForFile(const std::string& fileTitle) { return fileTitle + ".zip"; }

std::string ReplacesSourceText(const std::string& zipPath) {
  return "'" + zipPath + "' is one of the files to be zipped. Please choose a different name!";
}

std::string NoSpaceText(const std::string& zipPath) {
  return "There is not enough space to create '" + zipPath + "'. Please choose a different folder!";
}
