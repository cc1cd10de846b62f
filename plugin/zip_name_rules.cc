#include "plugin/zip_name_rules.h"

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

std::string NotAttachableText(const std::string& zipPath) {
  return "Orvel! cannot attach '" + zipPath +
         "': its name has characters that the system's code page lacks. Please choose a different name!";
}

std::string PathTooLongText(const std::string& zipPath) {
  return "Orvel! cannot attach '" + zipPath + "': its path is too long. Please choose a shorter name or folder!";
}

std::string CollisionText(const std::string& first, const std::string& second, NameCollision collision) {
  return "'" + first + "' and '" + second + "' cannot both be added: " +
         (collision == NameIsOthersFolder ? "one would be extracted as a folder of the other."
                                          : "Windows would extract them as one file.") +
         " Creation of zip archive cancelled.";
}

std::string UnnamableText(const std::string& shownName) {
  return "The name of '" + shownName +
         "' is not valid Unicode, so no zip archive can hold it. Creation of zip archive cancelled.";
}
