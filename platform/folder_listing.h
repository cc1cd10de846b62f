// The plain files and the folders directly inside a folder. Paths and names
// are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FolderEntry {
  std::string name;  // the bare name
  uint64_t size;
  // False when the system's name has no UTF-8 form (on Windows, a name with
  // a surrogate that lacks its partner): `name` then only shows it, with
  // U+FFFD in its place, and opens nothing.
  bool nameIsExact;
  // A link (on Windows, a reparse point) whose target lies outside the
  // folder, resolved rather than read as text, or that cannot be resolved:
  // it is listed so that it can be reported, but it is no file of the
  // folder and must not be opened. A target in a subfolder lies inside.
  // On Windows the comparison is of final paths, without regard to case and
  // at a separator; plain files are held to it too, since under Wine a Unix
  // link to a file shows as a plain file. Where the system cannot resolve
  // paths (Windows XP, which has no links to files) or cannot resolve the
  // folder, only links lead outside.
  bool leadsOutside;
  // The file the name reached when it was listed, links followed. A file
  // opened under the name later must have it, or it was swapped meanwhile.
  // A file that cannot be opened even without access to its data (on
  // Windows) is listed all the same, with a zero identity: adding it then
  // fails at its own open, as it would have without the listing, or, should
  // that open succeed after all, as a file other than the one listed.
  FileIdentity identity;
};

struct SubfolderEntry {
  std::string name;  // the bare name
  bool nameIsExact;  // as for FolderEntry
  // A link to a folder, a junction, a mount point or another reparse point
  // that stands for another name, or a folder that does not lie where its
  // name is (under Wine a Unix link to a folder shows as a plain folder):
  // listed so that it can be reported, never to be entered.
  bool isLink;
  // The folder the name reached, which no folder above it may be; zero
  // when it could not be looked at.
  FileIdentity identity;
};

// The plain files directly inside `folder`: no folders, no links to folders,
// no devices or pipes; hidden and system files too, and links to plain files
// (those that lead outside marked so), with the size of what they lead to.
// In the order the system lists them. Listing reads no file's data and
// leaves access times alone. Returns false with the system's error code in
// *error when the folder cannot be read (also when it is not a folder).
bool ListPlainFiles(const std::string& folder, std::vector<FolderEntry>* files, uint32_t* error);

// As ListPlainFiles, and, in *folders, the folders directly inside `folder`
// ("." and ".." not among them), links to folders too, in the order the
// system lists them.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>* files, std::vector<SubfolderEntry>* folders,
                uint32_t* error);
