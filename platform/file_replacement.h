// Putting a finished file in the place of another in one step. Paths are
// UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// The file that writing to `path` should replace: where a link leads, so
// that the link stays a link; otherwise `path` itself.
std::string ResolveOutput(const std::string& path);

// Gives `file`, complete and about to take the place of `target`, the
// permissions it keeps there, where the system has them: `target`'s
// permission bits when it exists, otherwise those of a file created anew
// (0666 less the umask). When `target` exists, also its owner and group, as
// far as the process may give them (all as root, the group when the user
// is a member of it); what it may not give stays as it is. Extended
// attributes and access control lists are not carried over. Does nothing
// on Windows, where a new file takes its folder's permissions.
void GiveReplacementPermissions(FileHandle file, const std::string& target);

// Puts `from` in the place of `to` in one step, replacing what was there.
// Returns false with the system's error code in *error.
bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error);

// Removes a file; returns false when it could not.
bool RemoveFile(const std::string& path);
