// What a path names, looked at from outside: its kind, its size and its
// identity. For the front ends; the archive writer looks at the files it
// opens through their handles instead. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

enum PathKind {
  PathMissing,  // nothing there, or nothing that can be looked at
  PathRegular,  // a plain file, or a link to one
  PathOther,    // a folder, a device, a pipe, a socket, a stream inside a file (Windows' "a.zip:s")
};
PathKind KindOf(const std::string& path);

// Size of a file, or false when it cannot be queried.
bool FileSize(const std::string& path, uint64_t* size);

// The identity of the file `path` names, links followed: what QueryFileInfo
// reports for a handle opened on it, and what a folder listing records.
// False when nothing there can be looked at. A file that another program
// holds without sharing can still be identified.
bool IdentifyFile(const std::string& path, FileIdentity* identity);

// True when both paths name one existing file, however they are spelled
// (case, short names, links): their IdentifyFile identities are equal.
// False when either cannot be looked at. To compare many paths with one,
// identify that one once instead.
bool SameFile(const std::string& a, const std::string& b);
