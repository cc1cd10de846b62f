// The rules of the zip name dialog, free of any dialog: portable and tested
// natively.
#pragma once

#include <string>

// Whether `zipPath` lies in `folder`, the mail client's temporary folder,
// whose zips it removes when it closes: `folder` is a prefix of the path,
// byte for byte, with case, and ends in a separator ('\\' or '/') or is
// followed by one in the path. A path that names the same folder in other
// letter case does not count: the user is warned, which is the safe side.
// An empty `folder` (the mail client gave none) holds every path.
bool IsInsideFolder(const std::string& zipPath, const std::string& folder);

// The name proposed for the zip of one file: its name with ".zip" added.
std::string ZipNameForFile(const std::string& fileTitle);
