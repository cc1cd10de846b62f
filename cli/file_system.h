// What the command-line tool needs of the file system beyond the archive
// writer's platform layer: listing a folder, recognising one file under two
// names, path syntax, replacing a file as a whole, cleaning up after an
// interruption, and words for why a call failed. A POSIX and a Win32
// implementation; CMake picks one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Names of the plain files directly inside `folder` (no folders, no links to
// folders, no devices or pipes), sorted. Returns false with the system's
// error code in *error when the folder cannot be read.
bool ListPlainFiles(const std::string& folder, std::vector<std::string>* names, uint32_t* error);

enum PathKind {
  PathMissing,  // nothing there, or nothing that can be looked at
  PathRegular,  // a plain file, or a link to one
  PathOther,    // a folder, a device, a pipe, a socket
};
PathKind KindOf(const std::string& path);

// The file that writing to `path` should replace: where a link leads, so
// that the link stays a link; otherwise `path` itself.
std::string ResolveOutput(const std::string& path);

// The last component of a path: what follows the last separator.
std::string BareName(const std::string& path);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

// `folder` and `name` joined with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// Size of a file, or false when it cannot be queried.
bool FileSize(const std::string& path, uint64_t* size);

// The system's error code, as LastFileError reports it, in lower-case words
// such as "permission denied" or "the disk is full".
std::string DescribeFileError(uint32_t error);

// True when the error says that a file of that name exists already.
bool IsAlreadyExistsError(uint32_t error);

// The key under which two names collide when extracted on Windows, whose
// file systems ignore case: the name with every letter the platform folds
// (all of Unicode for UTF-8 names on POSIX, the ANSI code page on Windows)
// in upper case.
std::string FoldCase(const std::string& name);

// Gives `to` the permission bits of `from`, where the system has them; does
// nothing when `from` does not exist.
void CopyPermissions(const std::string& from, const std::string& to);

// Puts `from` in the place of `to` in one step, replacing what was there.
// Returns false with the system's error code in *error.
bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error);

// Removes a file; returns false when it could not.
bool RemoveFile(const std::string& path);

uint32_t ProcessId();

// True when standard error is a terminal (a console on Windows), not a file
// or a pipe.
bool ErrorsGoToTerminal();

// Until StopRemovingOnInterrupt, an interruption (Ctrl+C, SIGINT, SIGTERM,
// SIGHUP, a closed output pipe) removes `path` before the program ends.
void RemoveOnInterrupt(const std::string& path);
void StopRemovingOnInterrupt();
