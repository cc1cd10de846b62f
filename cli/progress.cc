#include "cli/progress.h"

#include <string>

#include "cli/terminal.h"

namespace {

// Columns a line takes on a terminal: one per character, not per byte of
// its UTF-8 (wide East Asian characters take two; a line wiped a little
// short of them is redrawn over anyway).
size_t ColumnsOf(const std::string& line) {
  size_t columns = 0;
  for (const char c : line) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++columns;
  }
  return columns;
}

}  // namespace

bool ShowProgress(void* context, uint32_t bytesRead) {
  auto* progress = static_cast<Progress*>(context);
  if (!progress->active) return true;
  // A file that grows while it is read stays at 100.
  const uint64_t percent = bytesRead >= progress->size ? 100 : bytesRead * uint64_t{100} / progress->size;
  if (progress->shownLength != 0 && percent == progress->shownPercent) return true;
  progress->shownPercent = static_cast<uint32_t>(percent);
  const std::string line = "  " + progress->name + ": " + std::to_string(progress->shownPercent) + " %";
  WriteErrors("\r" + line);
  progress->shownLength = ColumnsOf(line);
  return true;
}

void StartProgress(Progress* progress, const std::string& shownName, uint64_t size) {
  *progress = Progress{size >= kProgressFileSize, shownName, size, 0, 0};
}

void EndProgress(Progress* progress) {
  progress->active = false;
  if (progress->shownLength == 0) return;
  WriteErrors("\r" + std::string(progress->shownLength, ' ') + "\r");
  progress->shownLength = 0;
}
