// What the command-line tool needs of the file system beyond the archive
// writer's platform layer: listing a folder, recognising one file under two
// names, path syntax, and words for why a file could not be used. A POSIX
// and a Win32 implementation; CMake picks one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Names of the plain files directly inside `folder` (no folders, no links to
// folders), sorted. Returns false when the folder cannot be read.
bool ListPlainFiles(const std::string& folder, std::vector<std::string>* names);

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);

// The last component of a path: what follows the last separator.
std::string BareName(const std::string& path);

// `folder` and `name` joined with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// Size of a file, or false when it cannot be queried.
bool FileSize(const std::string& path, uint64_t* size);

// Why `path` cannot be opened for reading (or, with `forWriting`, created),
// in lower-case words such as "permission denied"; "unknown reason" when the
// system no longer objects.
std::string OpenFailureReason(const std::string& path, bool forWriting);

// Free bytes on the volume that holds `path`'s folder, or UINT64_MAX when
// unknown.
uint64_t FreeSpaceNear(const std::string& path);

// Removes a file; returns false when it could not.
bool RemoveFile(const std::string& path);
