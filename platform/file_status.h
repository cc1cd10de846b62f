// What a path names, looked at from outside: its kind, its size and its
// identity. For the front ends; the archive writer looks at the files it
// opens through their handles instead. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <string>

enum PathKind {
  PathMissing,  // nothing there, or nothing that can be looked at
  PathRegular,  // a plain file, or a link to one
  PathOther,    // a folder, a device, a pipe, a socket, a stream inside a file (Windows' "a.zip:s")
};
PathKind KindOf(const std::string& path);

// Size of a file, or false when it cannot be queried.
bool FileSize(const std::string& path, uint64_t* size);

// True when both paths name one existing file, however they are spelled
// (case, short names, links): same volume and file index on Windows, same
// device and inode on POSIX. False when either cannot be looked at. A file
// that another program holds without sharing can still be identified.
bool SameFile(const std::string& a, const std::string& b);
