// A file to be added to an archive, and under which entry name: what both
// front ends plan before anything is written.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

struct Source {
  std::string entryName;
  std::string path;  // UTF-8
  // For a file found by listing a folder, the file the name reached then,
  // which the file opened must be (AddListedFileToArchive); zero otherwise.
  FileIdentity identity{};
  // As listed, or as looked at before the zip began; for the size question
  // and the progress shown, never for the entry.
  uint64_t size = 0;
  // A folder's own entry (AddFolderToArchive): `entryName` ends in '/'.
  bool isFolder = false;
};
