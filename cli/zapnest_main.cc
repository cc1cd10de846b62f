// zapnest: makes one zip archive of the given files, or of every plain file
// of a folder, with the archive writer of the mail plug-in.
//
// Whatever was at the output path stays untouched until the new archive is
// complete: it is written to a file of its own beside the target (unnamed
// where the system allows, else under a temporary name), private to the
// user, which then replaces the target in one step. Every failure, and an
// interruption, removes that file and nothing else.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/added_entry_text.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "cli/shown_text.h"
#include "cli/source_plan.h"
#include "cli/terminal.h"
#include "platform/file_errors.h"
#include "platform/file_replacement.h"
#include "platform/file_status.h"
#include "platform/platform.h"
#include "platform/threads.h"
#include "writer/archive.h"
#include "writer/safe_output.h"
#include "zip/entry_name.h"

namespace {

// The most entries the end record can count.
constexpr uint64_t kCountedEntries = 0xFFFF;

struct Totals {
  uint64_t files = 0;
  uint64_t bytesIn = 0;
  uint64_t skipped = 0;
};

std::string DescribeFailure(const ArchiveStatus& failure, const Source& source, const std::string& archivePath) {
  const std::string quotedSource = Quoted(source.path);
  const std::string quotedArchive = Quoted(archivePath);
  const auto reason = [&failure](const char* otherwise) {
    return failure.systemError != 0 ? DescribeFileError(failure.systemError) : std::string(otherwise);
  };
  switch (failure.reason) {
    case FailedSourceNotPlainFile: return quotedSource + " is not a regular file";
    case FailedSourceOpen: return "cannot open " + quotedSource + ": " + reason("it cannot be opened");
    case FailedSourceNotListed:
      return quotedSource + " is no longer the file that was listed (it was replaced, or became a link, meanwhile)";
    case FailedSourceRead: return "cannot read " + quotedSource + ": " + reason("read error");
    case FailedSourceChanged: return quotedSource + " changed while it was being zipped";
    case FailedNameRefused: return NameProblemMessage(source, failure.nameProblem);
    case FailedSourceTooLarge:
      return "cannot add " + quotedSource +
             ": it is 4 GiB or larger (or grew to that while it was read), more than a zip archive without "
             "Zip64 holds";
    case FailedNoMemory: return "cannot add " + quotedSource + ": out of memory";
    case FailedArchiveLimit:
      return "cannot add " + quotedSource + ": the archive would grow past 2 GiB, the most it can hold";
    case FailedOutputReposition: return "cannot reposition " + quotedArchive + ": " + reason("seek error");
    case FailedOutputWrite: return "cannot write " + quotedArchive + ": " + reason("write error");
    default: return "cannot add " + quotedSource + ": internal error " + std::to_string(failure.reason);
  }
}

void PrintAdded(const Source& source, const AddedEntry& added) {
  const std::string what =
      source.isFolder ? "folder" : AddedEntryText(added.method, added.uncompressedSize, added.compressedSize);
  WriteOutput("  " + ShownText(source.entryName) + ": " + what + "\n");
}

// What the archive's output says when it fails: the path as the user gave it.
std::string DescribeOutputFailure(const SafeOutputFailure& failure, const std::string& shownPath) {
  const std::string quoted = Quoted(shownPath);
  switch (failure.step) {
    case SafeOutputCreate: return "cannot create " + quoted + ": " + DescribeFileError(failure.systemError);
    case SafeOutputNoTemporaryName: return "cannot create " + quoted + ": no free temporary name in its folder";
    case SafeOutputNoMemory: return "cannot create " + quoted + ": out of memory";
    case SafeOutputClose: return DescribeFailure(failure.archiveStatus, Source{"", shownPath}, shownPath);
    case SafeOutputReplace: return "cannot replace " + quoted + ": " + DescribeFileError(failure.systemError);
  }
  return "cannot create " + quoted;
}

// Ends a failed run: says why, and removes what was written of the archive
// (an unnamed file is gone once closed), nothing else.
int Fail(SafeOutput* output, const std::string& message) {
  WriteErrors("zapnest: " + message + "\n");
  if (!AbandonSafeOutput(output)) {
    WriteErrors("zapnest: cannot remove the incomplete " + Quoted(output->temporary) + "\n");
  }
  StopRemovingOnInterrupt();
  return ExitFailed;
}

int Run(const Options& options) {
  const auto start = std::chrono::steady_clock::now();
  if (options.archive.empty() || (options.folderMode && options.inputs.front().empty())) {
    WriteErrors(std::string("zapnest: the ") + (options.archive.empty() ? "archive's" : "folder's") +
                " name is empty; nothing was written\n");
    return ExitUsage;
  }
  // Where the system has unnamed files the archive has no name until it is
  // complete, so that a run that is killed leaves nothing behind; elsewhere
  // its temporary name is removed on an interruption too.
  SafeOutput output;
  output.tookTemporaryName = RemoveOnInterrupt;
  uint32_t resolveError = 0;
  switch (ResolveOutput(options.archive, &output.target, &resolveError)) {
    case OutputResolved: break;
    case OutputLinkInSharedFolder:
      WriteErrors("zapnest: " + Quoted(output.target) +
                  " is a link in a shared folder (sticky, writable by all) owned by another user; it is not "
                  "followed; nothing was written\n");
      return ExitUsage;
    case OutputLinkUnfollowable:
      WriteErrors("zapnest: cannot follow the link " + Quoted(output.target) + ": " + DescribeFileError(resolveError) +
                  "; nothing was written\n");
      return ExitUsage;
  }
  // A folder, a device or a pipe is never replaced by an archive.
  if (KindOf(output.target) == PathOther) {
    WriteErrors("zapnest: " + Quoted(options.archive) + " is not a regular file; nothing was written\n");
    return ExitUsage;
  }

  std::vector<Source> sources;
  std::vector<std::string> notices;
  Totals totals;
  std::string error;
  const bool planned = options.folderMode
                           ? PlanFolderSources(options.inputs.front(), options.withSubfolders, output.target,
                                               options.quiet, &sources, &notices, &totals.skipped, &error)
                           : PlanFiles(options.inputs, output.target, &sources, &error);
  for (const std::string& notice : notices) WriteErrors(notice);
  // A folder's plan has left out its colliding names already.
  if (!planned || (!options.folderMode && FindCollision(sources, &error))) {
    WriteErrors("zapnest: " + error + "; nothing was written\n");
    // A folder that cannot be read is a failure; the rest is a wrong request.
    return options.folderMode && !planned ? ExitFailed : ExitUsage;
  }

  // A temporary name is registered for removal before an interruption can
  // end the run (here, and as the complete archive is named at the end).
  output.options.deflateThreads = options.threads == 0 ? ProcessorCount() : options.threads;
  if (options.latestTime >= 0) {
    output.options.latestEntryTime = UnixTimeToFileTime(options.latestTime, 0);
    output.options.dosTimeZone = DosTimeUtc;
  }
  const bool showProgress = !options.quiet && ErrorsGoToTerminal();
  Progress progress;
  if (showProgress) {
    output.options.readProgress = ShowProgress;
    output.options.readProgressContext = &progress;
  }
  SafeOutputFailure outputFailure{};
  HoldInterrupts();
  const bool started = StartSafeOutput(&output, &outputFailure);
  ReleaseInterrupts();
  if (!started) return Fail(&output, DescribeOutputFailure(outputFailure, options.archive));
  PlanArchiveSources(output.archive, sources.data(), sources.size());
  for (const Source& source : sources) {
    uint64_t size = 0;
    if (showProgress && FileSize(source.path, &size)) StartProgress(&progress, ShownText(source.entryName), size);
    // A listed file must still be the one listed: a name given to another
    // file, or to a link, since then is refused.
    const ArchiveStatus status =
        source.isFolder ? AddFolderToArchive(output.archive, source.entryName.c_str(), source.path.c_str())
        : options.folderMode
            ? AddListedFileToArchive(output.archive, source.entryName.c_str(), source.path.c_str(), source.identity)
            : AddFileToArchive(output.archive, source.entryName.c_str(), source.path.c_str());
    if (showProgress) EndProgress(&progress);
    AddedEntry added{};
    if (status.code == ArchiveOk && DescribeLastAdded(output.archive, &added)) {
      ++totals.files;
      totals.bytesIn += added.uncompressedSize;
      if (!options.quiet) PrintAdded(source, added);
      continue;
    }
    const ArchiveStatus& failure = status;
    const std::string message = DescribeFailure(failure, source, options.archive);
    // In a folder a file that fails for its own reasons is skipped; a failure
    // of the archive stops the run.
    if (!options.folderMode || !IsSourceFailure(failure)) return Fail(&output, message);
    WriteErrors("zapnest: warning: " + message + "; skipped\n");
    ++totals.skipped;
  }
  HoldInterrupts();
  const bool finished = FinishSafeOutput(&output, &outputFailure);
  if (finished) StopRemovingOnInterrupt();
  ReleaseInterrupts();
  if (!finished) return Fail(&output, DescribeOutputFailure(outputFailure, options.archive));

  if (totals.files > kCountedEntries) {
    WriteErrors("zapnest: warning: the archive holds " + std::to_string(totals.files) +
                " entries, more than the 65535 its end record can count; some readers will count them wrongly\n");
  }
  uint64_t bytesOut = 0;
  FileSize(output.target, &bytesOut);
  if (!options.quiet) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char duration[32];
    snprintf(duration, sizeof duration, "%.2f s", seconds);
    std::string summary = ShownText(options.archive) + ": " + std::to_string(totals.files) + " files, " +
                          std::to_string(totals.bytesIn) + " bytes in, " + std::to_string(bytesOut) + " bytes out, " +
                          duration;
    if (totals.skipped > 0) summary += ", " + std::to_string(totals.skipped) + " skipped";
    WriteOutput(summary + "\n");
  }
  return totals.skipped > 0 ? ExitSkipped : ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments;
  Options options;
  std::string error;
  if (!ProgramArguments(argc, argv, &arguments, &error)) {
    WriteErrors("zapnest: " + error + "; nothing was written\n");
    return ExitUsage;
  }
  if (!ParseOptions(arguments, &options, &error)) {
    WriteErrors("zapnest: " + error + "\n" + UsageText());
    return ExitUsage;
  }
  if (options.help) {
    WriteOutput(UsageText());
    return ExitOk;
  }
  if (options.version) {
    WriteOutput(VersionText());
    return ExitOk;
  }
  if (!ReadSourceDateEpoch(getenv("SOURCE_DATE_EPOCH"), &options, &error)) {
    WriteErrors("zapnest: " + error + "\n");
    return ExitUsage;
  }
  return Run(options);
}
