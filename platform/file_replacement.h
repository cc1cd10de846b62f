// Putting a finished file in the place of another in one step. Paths are
// UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

enum OutputResolution {
  OutputResolved,            // *target is the file to replace, or to create
  OutputLinkInSharedFolder,  // *target is a link that is not followed (see ResolveOutput)
  OutputLinkUnfollowable,    // *target is a link that cannot be read, or one of too many; *error says why
};

// The file that writing to `path` should replace: where a link leads, so
// that the link stays a link; otherwise `path` itself. A link is followed
// whether its target exists or not (the target of a dangling link is
// created), its text read from the link's own folder when relative, and a
// chain of links to its end, at most 40 links. No link is followed where
// the kernel's own rule for shared folders (Linux's fs.protected_symlinks)
// would refuse it: a link in a folder with the sticky bit that all may write
// to (such as /tmp) is followed only when it belongs to the user running
// the program or to the folder's owner; otherwise another user could have
// it lead to any file of the victim's. On Windows `path` itself.
OutputResolution ResolveOutput(const std::string& path, std::string* target, uint32_t* error);

// Gives `file`, complete and about to take the place of `target`, the
// permissions it keeps there, where the system has them: `target`'s
// permission bits when it exists, otherwise those of a file created anew
// (0666 less the umask). When `target` exists, also its owner and group, as
// far as the process may give them (all as root, the group when the user
// is a member of it); what it may not give stays as it is. Extended
// attributes and access control lists are not carried over. Does nothing
// on Windows, where a new file takes its folder's permissions.
void GiveReplacementPermissions(FileHandle file, const std::string& target);

// Whether a file at `target` may be replaced by MoveIntoPlace, checked
// before anything is written so that a refusal comes at once rather than
// after the whole archive: true when nothing is there. On Windows a
// read-only file, or one another program holds open without letting it be
// deleted, cannot be; on POSIX replacing needs only the folder's write
// permission, which creating the archive's file there proves. Returns false
// with the system's error code in *error.
bool CanReplace(const std::string& target, uint32_t* error);

// Makes the complete file's data durable before it takes another file's
// place, so that a power cut after the replacement cannot leave neither the
// old file nor the new one. Returns false with the system's error code in
// *error when the system could not.
bool FlushBeforeReplacing(FileHandle file, uint32_t* error);

// Puts `from` in the place of `to` in one step, replacing what was there.
// Returns false with the system's error code in *error.
bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error);

// Removes a file; returns false when it could not.
bool RemoveFile(const std::string& path);
