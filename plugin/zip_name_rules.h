// The rules of the zip name dialog, free of any dialog: portable and tested
// natively.
#pragma once

#include <string>

#include "zip/name_collisions.h"

// Whether `zipPath` lies in `folder`, the mail client's temporary folder,
// whose zips it removes when it closes: `folder` is a prefix of the path,
// byte for byte, with case, and ends in a separator ('\\' or '/') or is
// followed by one in the path. A path that names the same folder in other
// letter case does not count: the user is warned, which is the safe side.
// An empty `folder` (the mail client gave none) holds every path.
bool IsInsideFolder(const std::string& zipPath, const std::string& folder);

// The question shown before a zip is saved outside the temporary folder.
std::string SaveWarningText(const std::string& tempFolder);

// The name proposed for the zip of one file: its name with ".zip" added.
std::string ZipNameForFile(const std::string& fileTitle);

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
