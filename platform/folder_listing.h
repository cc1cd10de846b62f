// The plain files directly inside a folder. Paths and names are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FolderEntry {
  std::string name;  // the bare name
  uint64_t size;
  // False when the system's name has no UTF-8 form (on Windows, a name with
  // a surrogate that lacks its partner): `name` then only shows it, with
  // U+FFFD in its place, and opens nothing.
  bool nameIsExact;
};

// The plain files directly inside `folder`: no folders, no links to folders,
// no devices or pipes; hidden and system files too. In the order the system
// lists them. Returns false with the system's error code in *error when the
// folder cannot be read (also when it is not a folder).
bool ListPlainFiles(const std::string& folder, std::vector<FolderEntry>* files, uint32_t* error);
