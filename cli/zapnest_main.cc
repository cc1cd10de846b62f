// zapnest: makes one zip archive of the given files, or of every plain file
// of a folder, with the archive writer of the mail plug-in.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/file_system.h"
#include "cli/options.h"
#include "zip/archive.h"
#include "zip/entry_name.h"

namespace {

struct Source {
  std::string entryName;
  std::string path;
};

struct Totals {
  uint64_t files = 0;
  uint64_t bytesIn = 0;
  uint64_t skipped = 0;
};

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Each file goes in under its bare name. Names that differ only in case
// collide too: extracted on Windows, one would overwrite the other.
bool PlanFiles(const std::vector<std::string>& paths, std::vector<Source>* sources, std::string* error) {
  for (const std::string& path : paths) {
    const std::string name = BareName(path);
    if (name.empty()) {
      *error = "'" + path + "' names a folder, not a file";
      return false;
    }
    for (const Source& earlier : *sources) {
      if (Lower(earlier.entryName) == Lower(name)) {
        *error = "'" + earlier.path + "' and '" + path + "' would both be entered as '" + name + "'";
        return false;
      }
    }
    sources->push_back(Source{name, path});
  }
  return true;
}

// A failed add is the source's fault (skip it in a folder) or the archive's
// (stop). Either way the message names the file and the reason.
bool IsSourceFailure(int32_t code) {
  return code == ArchiveOpenFailed || code == ArchiveReadFailed || code == ArchiveBadArgument;
}

std::string DescribeFailure(int32_t code, const Source& source, const std::string& archivePath) {
  const std::string quotedSource = "'" + source.path + "'";
  const std::string quotedArchive = "'" + archivePath + "'";
  switch (code) {
    case ArchiveOpenFailed: return "cannot open " + quotedSource + ": " + OpenFailureReason(source.path, false);
    case ArchiveReadFailed: return "cannot read " + quotedSource + ": read error";
    case ArchiveBadArgument: {
      uint64_t size = 0;
      if (source.entryName.size() >= kEntryNameCapacity) {
        return "cannot add " + quotedSource + ": its name is longer than " +
               std::to_string(kEntryNameCapacity - 1) + " bytes";
      }
      if (FileSize(source.path, &size) && size > 0xFFFFFFFFull) {
        return "cannot add " + quotedSource + ": 4 GiB or larger, more than a zip archive without Zip64 holds";
      }
      return "cannot add " + quotedSource + ": invalid name";
    }
    case ArchiveNoMemory: return "cannot add " + quotedSource + ": out of memory";
    case ArchiveSeekFailed: return "cannot write " + quotedArchive + ": it has reached 2 GiB, the most it can hold";
    case ArchiveWriteFailed:
      return "cannot write " + quotedArchive + ": " +
             (FreeSpaceNear(archivePath) < (1u << 20) ? "the disk is full" : "write error");
    default: return "cannot add " + quotedSource + ": error " + std::to_string(code);
  }
}

void PrintAdded(const Source& source, const ZipArchive* archive) {
  const uint64_t in = archive->bytesRead;
  const uint64_t out = archive->compressedSize;
  if (ChooseMethod(source.entryName.c_str()) == kMethodStored) {
    printf("  %s: %llu bytes, stored\n", source.entryName.c_str(), static_cast<unsigned long long>(in));
  } else {
    const long long saved = in == 0 ? 0 : (static_cast<long long>(in) - static_cast<long long>(out)) * 100 /
                                              static_cast<long long>(in);
    printf("  %s: %llu bytes, deflated %lld%%\n", source.entryName.c_str(), static_cast<unsigned long long>(in),
           saved);
  }
}

int Fail(ZipArchive* archive, const std::string& archivePath, const std::string& message) {
  fprintf(stderr, "zapnest: %s\n", message.c_str());
  if (archive != nullptr) CloseArchive(archive);
  if (!RemoveFile(archivePath)) {
    fprintf(stderr, "zapnest: cannot remove the incomplete '%s'\n", archivePath.c_str());
  }
  return ExitFailed;
}

int Run(const Options& options) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<Source> sources;
  std::string error;
  if (!options.folderMode && !PlanFiles(options.inputs, &sources, &error)) {
    fprintf(stderr, "zapnest: %s; nothing was written\n", error.c_str());
    return ExitUsage;
  }

  ZipArchive* archive = nullptr;
  if (CreateArchiveOnFile(options.archive.c_str(), &archive) != ArchiveOk) {
    fprintf(stderr, "zapnest: cannot create '%s': %s\n", options.archive.c_str(),
            OpenFailureReason(options.archive, true).c_str());
    return ExitFailed;
  }

  if (options.folderMode) {
    const std::string& folder = options.inputs.front();
    std::vector<std::string> names;
    if (!ListPlainFiles(folder, &names)) {
      return Fail(archive, options.archive,
                  "cannot read the folder '" + folder + "': " + OpenFailureReason(folder, false));
    }
    for (const std::string& name : names) {
      const std::string path = JoinPath(folder, name);
      // The archive may be written into the folder it is made of; it must not
      // swallow itself, whether or not the system would let it be read.
      if (SameFile(path, options.archive)) continue;
      sources.push_back(Source{name, path});
    }
  }

  Totals totals;
  for (const Source& source : sources) {
    const int32_t result = AddFileToArchive(archive, source.entryName.c_str(), source.path.c_str());
    if (result == ArchiveOk) {
      ++totals.files;
      totals.bytesIn += archive->bytesRead;
      if (!options.quiet) PrintAdded(source, archive);
      continue;
    }
    const std::string message = DescribeFailure(result, source, options.archive);
    if (!options.folderMode || !IsSourceFailure(result)) return Fail(archive, options.archive, message);
    fprintf(stderr, "zapnest: warning: %s; skipped\n", message.c_str());
    ++totals.skipped;
  }

  const int32_t closed = CloseArchive(archive);
  if (closed != ArchiveOk) {
    return Fail(nullptr, options.archive, DescribeFailure(closed, Source{"", options.archive}, options.archive));
  }
  uint64_t bytesOut = 0;
  FileSize(options.archive, &bytesOut);
  if (!options.quiet) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%s: %llu files, %llu bytes in, %llu bytes out, %.2f s", options.archive.c_str(),
           static_cast<unsigned long long>(totals.files), static_cast<unsigned long long>(totals.bytesIn),
           static_cast<unsigned long long>(bytesOut), seconds);
    if (totals.skipped > 0) printf(", %llu skipped", static_cast<unsigned long long>(totals.skipped));
    printf("\n");
  }
  return totals.skipped > 0 ? ExitSkipped : ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  Options options;
  std::string error;
  if (!ParseOptions(arguments, &options, &error)) {
    fprintf(stderr, "zapnest: %s\n%s", error.c_str(), UsageText());
    return ExitUsage;
  }
  if (options.help) {
    fputs(UsageText(), stdout);
    return ExitOk;
  }
  return Run(options);
}
