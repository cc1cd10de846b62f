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

// Whether a source read whole is still what it was when it was opened: the
// same size, the same last write (`openedWriteTime`, as read after the
// open), the same last change, and all of it read. A file that another
// program cut short, extended or rewrote meanwhile would otherwise enter the
// archive as a mix of two states that matches neither, with a CRC of its
// own. The change time catches a rewrite whose last write time was put back
// afterwards (utime, SetFileTime), which size and last write alone would
// miss.
inline bool UnchangedWhileRead(const FileInfo& now, const FileInfo& opened, FileTime openedWriteTime,
                               uint64_t bytesRead) {
  return now.size == opened.size && now.lastWriteTime == openedWriteTime && now.changeTime == opened.changeTime &&
         bytesRead == opened.size;
}
