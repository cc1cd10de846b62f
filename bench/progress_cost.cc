// What dispatching the mail client's messages during a long file costs: the
// same file zipped with the progress window's read report (the window shows
// after half a second, messages are dispatched every 50 ms) and without any,
// alternately, in one run. Prints the best time of each, their ratio, and
// what making the window once takes, timed here around its making.
// A Windows program: run it under Wine with a display.
//
//   progress_cost [MEGABYTES] [ROUNDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/binding/compose_window.h"
#include "plugin/output/zip_output.h"
#include "plugin/output/zip_progress.h"
#include "writer/archive.h"

namespace {

// Text of varied words: compressed at the speed of ordinary documents.
void WriteSample(const std::string& path, size_t bytes) {
  static const char* const kWords[] = {"message", "attached", "report", "the",   "of",   "quarterly", "figures", "and",
                                       "zip",     "please",   "find",   "below", "with", "regards",   "2024"};
  std::string text;
  text.reserve(bytes);
  uint32_t state = 12345;
  while (text.size() < bytes) {
    state = state * 1103515245u + 12345u;
    text += kWords[(state >> 16) % (sizeof kWords / sizeof kWords[0])];
    text += (state & 0x700) == 0 ? "\r\n" : " ";
  }
  FILE* file = fopen(path.c_str(), "wb");
  fwrite(text.data(), 1, bytes, file);
  fclose(file);
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds to zip `source` into `zip`, with the progress window or without.
// The window's removal afterwards is timed apart (*removal): in a Wine
// prefix that hands its windows to a window manager, on a display without
// one, hiding a window waits two seconds for an answer that never comes,
// which says nothing of the dispatching.
double ZipOnce(const std::string& source, const std::string& zip, bool withProgress, uint64_t size, double* removal,
               double* creation) {
  LARGE_INTEGER start, end, removed;
  QueryPerformanceCounter(&start);
  CommandOutput output;
  if (!output.Create(zip)) return -1;
  ZipArchive* archive = output.archive();
  ArchiveStatus added;
  bool closed;
  if (withProgress) {
    LARGE_INTEGER making, made;
    QueryPerformanceCounter(&making);
    ZipProgress progress(&output, 1, size);  // makes its window, hidden
    QueryPerformanceCounter(&made);
    *creation = Seconds(making, made);
    progress.NextFile("sample.txt", size);
    added = AddFileToArchive(archive, "sample.txt", source.c_str());
    QueryPerformanceCounter(&end);
    progress.Close();
    closed = output.Finish();
  } else {
    added = AddFileToArchive(archive, "sample.txt", source.c_str());
    QueryPerformanceCounter(&end);
    closed = output.Finish();
  }
  QueryPerformanceCounter(&removed);
  *removal = Seconds(end, removed);
  if (added.code != ArchiveOk || !closed) return -1;
  return Seconds(start, end);
}

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? strtoul(argv[1], nullptr, 10) : 64;
  const int rounds = argc > 2 ? atoi(argv[2]) : 5;
  // A window to own the progress window, as the composition window does.
  HWND owner = CreateWindowA("STATIC", "progress_cost", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200, nullptr,
                             nullptr, nullptr, nullptr);
  NoteComposeWindow(owner);
  HoldComposeWindow();
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string source = std::string(folder) + "progress_cost_sample.txt";
  const std::string zip = std::string(folder) + "progress_cost.zip";
  const uint64_t size = uint64_t{megabytes} << 20;
  WriteSample(source, static_cast<size_t>(size));
  double best[2] = {1e9, 1e9};
  double removal = 0;
  double creation = 0;
  double creationSeconds = 1e9;
  for (int round = 0; round < rounds; ++round) {
    for (int withProgress = 0; withProgress < 2; ++withProgress) {
      const double seconds = ZipOnce(source, zip, withProgress != 0, size, &removal, &creation);
      if (seconds < 0) {
        fprintf(stderr, "progress_cost: the zip failed\n");
        return 1;
      }
      if (seconds < best[withProgress]) best[withProgress] = seconds;
      if (withProgress != 0 && creation < creationSeconds) creationSeconds = creation;
    }
  }
  DeleteFileA(source.c_str());
  DeleteFileA(zip.c_str());
  printf("%zu MiB of text, best of %d rounds each, alternating:\n", megabytes, rounds);
  printf("  without the read report: %.3f s\n", best[0]);
  printf("  with the progress window and message dispatch: %.3f s\n", best[1]);
  printf("  difference: %+.2f %% (the machine's noise is of the order of 2 %%)\n", (best[1] / best[0] - 1) * 100);
  printf("  of which once per zip, making the window: %.3f s\n", creationSeconds);
  printf("  (removing the window afterwards took %.3f s)\n", removal);
  return 0;
}
