#include "cli/progress.h"

#include <cstdio>

namespace {

void Show(void* context, uint32_t bytesRead) {
  auto* progress = static_cast<Progress*>(context);
  // A file that grows while it is read stays at 100.
  const uint64_t percent = bytesRead >= progress->size ? 100 : bytesRead * uint64_t{100} / progress->size;
  if (progress->shownLength != 0 && percent == progress->shownPercent) return;
  progress->shownPercent = static_cast<uint32_t>(percent);
  const int length = fprintf(stderr, "\r  %s: %u %%", progress->name.c_str(), progress->shownPercent);
  if (length > 0) progress->shownLength = static_cast<size_t>(length) - 1;  // the carriage return takes no column
  fflush(stderr);
}

}  // namespace

void StartProgress(ZipArchive* archive, Progress* progress, const std::string& shownName, uint64_t size) {
  *progress = Progress{shownName, size, 0, 0};
  if (size < kProgressFileSize) return;
  archive->readProgress = Show;
  archive->readProgressContext = progress;
}

void EndProgress(ZipArchive* archive, Progress* progress) {
  archive->readProgress = nullptr;
  archive->readProgressContext = nullptr;
  if (progress->shownLength == 0) return;
  fprintf(stderr, "\r%*s\r", static_cast<int>(progress->shownLength), "");
  fflush(stderr);
  progress->shownLength = 0;
}
