#include "plugin/commands/texts.h"

#include "plugin/commands/mail_size.h"

const char kFilesEntryName[] = "Zip and Attach Files";
const char kFilesEntryText[] = "Zip and Attach F&ile(s)...";
const char kFolderEntryName[] = "Zip and Attach Folder";
const char kFolderEntryText[] = "Zip and Attach F&older...";

const char kPluginName[] = "Orvel! zip and attach plug-in";
const char kPluginMaker[] = "The Zapnest developers";
const char kPluginDescription[] = "Enables Orvel! to zip and attach files.";

const char kCaption[] = "Zapnest Plugin";
const wchar_t kWideCaption[] = L"Zapnest Plugin";

const char kCancelledText[] = "Creation of zip archive cancelled.";
const char kCreateErrorText[] = "Error creating zip archive.";
const char kAddErrorText[] = "Error adding file to zip archive.";

const wchar_t kSelectFilesTitle[] = L"Select file(s) to zip & attach";
const wchar_t kSelectFilesFilter[] =
    L"Text Files (*.txt)\0*.txt\0"
    L"Image Files (*.bmp;*.jpg;*.tif)\0*.bmp;*.jpg;*.tif\0"
    L"Archive Files (*.zip;*.gz;*.rar)\0*.zip;*.gz;*.rar\0"
    L"MS Office Files (*.doc;*.rtf;*.xls)\0*.doc;*.rtf;*.xls\0"
    L"All Files (*.*)\0*.*\0";
const wchar_t kFolderBrowserTitle[] =
    L"All files in the selected folder will be added to the zip archive. Subfolders will be ignored (no recursion).";
const wchar_t kFolderBrowserTitleWithSubfolders[] =
    L"All files in the selected folder and in its subfolders will be added to the zip archive.";
const wchar_t kIncludeSubfoldersLabel[] = L"Include subfolders";
const wchar_t kZipNameTitle[] = L"Enter zip archive name";
const wchar_t kZipNameFilter[] = L"Zip Files (*.zip)\0*.zip\0";
const wchar_t kProgressTitle[] = L"Creating zip archive";
const wchar_t kProgressCancel[] = L"Cancel";

namespace {

constexpr uint64_t kKilobyte = 1024;
constexpr uint64_t kMegabyte = 1024 * 1024;

}  // namespace

std::string SaveWarningText(const std::string& tempFolder) {
  return "If you save the zip archive to a folder other than '" + tempFolder +
         "' it won't be automatically deleted upon closing Orvel!\nAre you sure you want to do this?";
}

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
         " " + kCancelledText;
}

std::string UnnamableText(const std::string& shownName) {
  return "The name of '" + shownName + "' is not valid Unicode, so no zip archive can hold it. " + kCancelledText;
}

std::string NoFilesText(const std::string& folder) {
  return "There are no files in folder '" + folder + "'. " + kCancelledText;
}

std::string UnreadableFolderText(const std::string& folder, const std::string& reason) {
  return "Cannot read folder '" + folder + "': " + reason + ". " + kCancelledText;
}

std::string SizeQuestion(int count, uint64_t totalBytes) {
  std::string figure;
  if (totalBytes > kMegabyte) {
    figure = std::to_string(totalBytes / kMegabyte) + " MB";
  } else if (totalBytes > kKilobyte) {
    figure = std::to_string(totalBytes / kKilobyte) + " KB";
  } else {
    figure = std::to_string(totalBytes) + " bytes";
  }
  return "Create zip from " + std::to_string(count) + " files with a total size of " + figure + "?";
}

namespace {

// The first kListedLeftOutNames names, a line each, then "and M more." for
// the rest.
std::string NameList(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < kListedLeftOutNames; ++i) text += names[i] + "\n";
  if (names.size() > kListedLeftOutNames) {
    text += "and " + std::to_string(names.size() - kListedLeftOutNames) + " more.\n";
  }
  return text;
}

}  // namespace

std::string LeftOutQuestion(const std::vector<std::string>& names) { return AttachQuestion(names, ""); }

std::string MailSizeText(const std::string& zipPath, uint64_t zipBytes, uint32_t limitMegabytes) {
  return "The zip archive '" + zipPath + "' is " + MegabytesText(zipBytes) + " MB; in a mail message it takes " +
         MegabytesText(SizeInMessage(zipBytes)) + " MB.\nMany mail servers refuse messages larger than " +
         std::to_string(limitMegabytes) + " MB.\n";
}

std::string AttachQuestion(const std::vector<std::string>& leftOut, const std::string& mailSizeText) {
  const bool one = leftOut.size() == 1;
  std::string text;
  if (!leftOut.empty()) {
    text = std::to_string(leftOut.size()) + (one ? " file" : " files") + " could not be added to the zip archive:\n\n";
    text += NameList(leftOut);
  }
  if (!mailSizeText.empty()) text += (text.empty() ? "" : "\n") + mailSizeText;
  const char* without = leftOut.empty() ? "" : one ? " without it" : " without them";
  if (mailSizeText.empty()) return text + "\nAttach the zip archive" + without + "?";
  return text + "\nAttach it anyway" + (leftOut.empty() ? "" : ",") + without + "?";
}

std::string RefusedFilesQuestion(const std::vector<RefusedFile>& files) {
  const bool one = files.size() == 1;
  std::string text = std::to_string(files.size()) + (one ? " file is of a kind" : " files are of kinds") +
                     " that many mail services refuse in a zip archive, and with it the whole message:\n\n";
  std::vector<std::string> names;
  for (const RefusedFile& file : files) {
    names.push_back(file.name + (file.encryptedZip ? " (an encrypted zip archive, which they cannot look into)" : ""));
  }
  text += NameList(names);
  return text + (one ? "\nLeave it out of the zip archive?" : "\nLeave them out of the zip archive?");
}

std::string FileCountText(size_t number, size_t count) {
  return "File " + std::to_string(number) + " of " + std::to_string(count);
}
