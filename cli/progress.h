// A line on the terminal that shows how far a long file has been read while
// it is added: "  name: 42 %", rewritten in place and wiped when the file is
// done, so that only the line that reports the added file stays.
#pragma once

#include <cstdint>
#include <string>

// Files smaller than this are added too fast for a progress line to help.
constexpr uint64_t kProgressFileSize = 16u << 20;

struct Progress {
  bool active = false;        // the file being added is worth a line
  std::string name;           // as it may be shown on a terminal
  uint64_t size = 0;          // bytes expected
  uint32_t shownPercent = 0;  // last percentage written
  size_t shownLength = 0;     // characters of the line written, 0 for none
};

// The archive's read report, with a Progress as its context: writes the
// line while the file being added is active. Never stops the add: an
// interrupted run ends through its signal handler.
bool ShowProgress(void* context, uint32_t bytesRead);

// Starts showing the progress of the next add on standard error, if `size`
// makes it worth it.
void StartProgress(Progress* progress, const std::string& shownName, uint64_t size);

// Wipes the line, if one was written, and stops showing progress.
void EndProgress(Progress* progress);
