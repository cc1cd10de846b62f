// Every text the plug-in shows, in one place: messages, questions, dialog
// titles and the file filters' names. Portable (no Windows header), so the
// texts built from parts are tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zip/name_collisions.h"

// The menu entries: the name each is registered under, and its text in the
// composition window's menu.
extern const char kFilesEntryName[];   // "Zip and Attach Files"
extern const char kFilesEntryText[];   // "Zip and Attach F&ile(s)..."
extern const char kFolderEntryName[];  // "Zip and Attach Folder"
extern const char kFolderEntryText[];  // "Zip and Attach F&older..."

// The plug-in's description in its information record: name, maker and
// what it does.
extern const char kPluginName[];
extern const char kPluginMaker[];
extern const char kPluginDescription[];

// The caption of every message box.
extern const char kCaption[];         // "Zapnest Plugin"
extern const wchar_t kWideCaption[];  // the same, for the wide message box

extern const char kCancelledText[];    // "Creation of zip archive cancelled."
extern const char kCreateErrorText[];  // "Error creating zip archive."
extern const char kAddErrorText[];     // "Error adding file to zip archive."

// Titles and filters of the dialogs, and the progress window's texts.
extern const wchar_t kSelectFilesTitle[];   // the files command's open dialog
extern const wchar_t kSelectFilesFilter[];  // its filter, pairs of name and pattern, closed by an empty one
extern const wchar_t kFolderBrowserTitle[];
extern const wchar_t kFolderBrowserTitleWithSubfolders[];  // while "Include subfolders" is ticked
extern const wchar_t kIncludeSubfoldersLabel[];
extern const wchar_t kZipNameTitle[];
extern const wchar_t kZipNameFilter[];
extern const wchar_t kProgressTitle[];
extern const wchar_t kProgressCancel[];

// The question shown before a zip is saved outside the temporary folder.
std::string SaveWarningText(const std::string& tempFolder);

// The message when the chosen zip path names one of the files to be zipped.
std::string ReplacesSourceText(const std::string& zipPath);

// The message when the chosen drive cannot hold the folder's files.
std::string NoSpaceText(const std::string& zipPath);

// The message when the chosen zip path cannot be handed to the mail client,
// whose interface takes only text of the ANSI code page.
std::string NotAttachableText(const std::string& zipPath);

// The message when the chosen zip path, in the ANSI code page, would not
// fit the mail client's path buffers.
std::string PathTooLongText(const std::string& zipPath);

// The message when two selected files would be extracted as one (names that
// differ only in case), or, for NameIsOthersFolder, one as the folder of the
// other. `collision` is what TakeEntryName found, never NoCollision.
std::string CollisionText(const std::string& first, const std::string& second, NameCollision collision);

// The message when a selected file's name has no form a zip can hold (a
// name that is not valid Unicode); `shownName` shows it as well as it can.
std::string UnnamableText(const std::string& shownName);

// The messages when the chosen folder holds no files, and when it cannot be
// read, with the system's reason in words.
std::string NoFilesText(const std::string& folder);
std::string UnreadableFolderText(const std::string& folder, const std::string& reason);

// The question before a folder is zipped: "Create zip from N files with a
// total size of X?", X in bytes up to 1024, in whole KB up to 1 MB, in whole
// MB above.
std::string SizeQuestion(int count, uint64_t totalBytes);

// How many left-out names the question lists before it counts the rest.
constexpr size_t kListedLeftOutNames = 10;

// The question after a folder zip that had to leave files out: "N files
// could not be added to the zip archive:", the first names one per line,
// "and M more." for the rest, then whether to attach the zip without them.
// `names` must not be empty.
std::string LeftOutQuestion(const std::vector<std::string>& names);

// What the question before attaching says of a zip that takes more than
// the limit in a message: its path, its size, its size in a message and
// the limit, in megabytes.
std::string MailSizeText(const std::string& zipPath, uint64_t zipBytes, uint32_t limitMegabytes);

// The one question before a zip is attached, when files were left out
// (`leftOut`, as LeftOutQuestion lists them), when it is too large to mail
// (`mailSizeText`, as MailSizeText words it), or both: what applies, then
// whether to attach it anyway. With only files left out it is exactly
// LeftOutQuestion's. At least one must apply.
std::string AttachQuestion(const std::vector<std::string>& leftOut, const std::string& mailSizeText);

// A file that many mail services refuse in a zip: by its type, or, a zip
// itself, because it holds encrypted entries they cannot look into.
struct RefusedFile {
  std::string name;
  bool encryptedZip;
};

// The question before zipping files that many mail services refuse in a
// zip: "N files ... :", the first ten names (an encrypted zip with its
// reason), "and M more." for the rest, then whether to leave them out.
// `files` must not be empty.
std::string RefusedFilesQuestion(const std::vector<RefusedFile>& files);

// The progress window's count: "File N of M".
std::string FileCountText(size_t number, size_t count);
