// A line on the terminal that shows how far a long file has been read while
// it is added: "  name: 42 %", rewritten in place and wiped when the file is
// done, so that only the line that reports the added file stays.
#pragma once

#include <cstdint>
#include <string>

#include "zip/zip_archive.h"

// Files smaller than this are added too fast for a progress line to help.
constexpr uint64_t kProgressFileSize = 16u << 20;

struct Progress {
  std::string name;           // as it may be shown on a terminal
  uint64_t size = 0;          // bytes expected
  uint32_t shownPercent = 0;  // last percentage written
  size_t shownLength = 0;     // characters of the line written, 0 for none
};

// Starts showing the progress of the next add on standard error, if `size`
// makes it worth it. `progress` must outlive the add.
void StartProgress(ZipArchive* archive, Progress* progress, const std::string& shownName, uint64_t size);

// Wipes the line, if one was written, and stops showing progress.
void EndProgress(ZipArchive* archive, Progress* progress);
