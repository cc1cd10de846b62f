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

#include "cli/options.h"
#include "cli/progress.h"
#include "cli/shown_text.h"
#include "cli/source_plan.h"
#include "cli/temporary_name.h"
#include "cli/terminal.h"
#include "platform/file_errors.h"
#include "platform/file_replacement.h"
#include "platform/file_status.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/unnamed_file.h"
#include "writer/archive.h"
#include "zip/entry_name.h"

namespace {

// The most entries the end record can count.
constexpr uint64_t kCountedEntries = 0xFFFF;

struct Totals {
  uint64_t files = 0;
  uint64_t bytesIn = 0;
  uint64_t skipped = 0;
};

std::string DescribeFailure(const ArchiveFailure& failure, const Source& source, const std::string& archivePath) {
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
    case FailedNameRefused: return NameProblemMessage(source, static_cast<EntryNameProblem>(failure.nameProblem));
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
  const uint64_t in = added.uncompressedSize;
  const uint64_t out = added.compressedSize;
  const std::string name = ShownText(source.entryName);
  if (added.method == kMethodStored) {
    WriteOutput("  " + name + ": " + std::to_string(in) + " bytes, stored\n");
  } else {
    const long long saved =
        in == 0 ? 0 : (static_cast<long long>(in) - static_cast<long long>(out)) * 100 / static_cast<long long>(in);
    WriteOutput("  " + name + ": " + std::to_string(in) + " bytes, deflated " + std::to_string(saved) + "%\n");
  }
}

// The archive being written. Where the system has unnamed files it has no
// name until it is complete, so that a run that is killed (SIGKILL, a file
// size limit) leaves nothing behind; elsewhere it is written under a
// temporary name, which every failure and an interruption remove.
struct Output {
  std::string shownPath;      // the path the user gave
  std::string target;         // the file the archive will replace
  FileHandle file = kNoFile;  // the archive's file, open until it takes the target's place
  std::string temporary;      // its temporary name, once it has one that is its own
  ZipArchive* archive = nullptr;
};

// Tries the temporary names of this process in the folder in turn until
// `claim` (given a path, returning false with the system's error) takes one
// that nothing else has; never touches an existing file.
template <typename Claim>
bool ClaimTemporaryName(Output* output, const Claim& claim, std::string* error) {
  const std::string folder = FolderOf(output->target);
  for (uint32_t attempt = 0; attempt < 100; ++attempt) {
    const std::string path = JoinPath(folder, TemporaryName(ProcessId(), attempt));
    uint32_t claimError = 0;
    if (claim(path, &claimError)) {
      output->temporary = path;
      RemoveOnInterrupt(path);
      return true;
    }
    if (IsAlreadyExistsError(claimError)) continue;
    *error = "cannot create " + Quoted(output->shownPath) + ": " + DescribeFileError(claimError);
    return false;
  }
  *error = "cannot create " + Quoted(output->shownPath) + ": no free temporary name in its folder";
  return false;
}

// Creates the archive's file in the target's folder, private to the user
// until it is complete: unnamed where the system allows, otherwise under a
// temporary name.
bool StartOutput(Output* output, std::string* error) {
  bool unsupported = false;
  uint32_t createError = 0;
  output->file = CreateUnnamedFile(FolderOf(output->target), &unsupported, &createError);
  if (output->file == kNoFile && !unsupported) {
    *error = "cannot create " + Quoted(output->shownPath) + ": " + DescribeFileError(createError);
    return false;
  }
  if (output->file == kNoFile) {
    const auto createNamed = [output](const std::string& path, uint32_t* claimError) {
      output->file = CreateNewOutputFile(path.c_str());
      *claimError = LastFileError();
      return output->file != kNoFile;
    };
    if (!ClaimTemporaryName(output, createNamed, error)) return false;
  }
  if (CreateArchiveOnHandle(output->file, &output->archive) != ArchiveOk) {
    *error = "cannot create " + Quoted(output->shownPath) + ": out of memory";
    return false;
  }
  return true;
}

int Fail(Output* output, const std::string& message) {
  WriteErrors("zapnest: " + message + "\n");
  if (output->archive != nullptr) CloseArchive(output->archive);
  output->archive = nullptr;
  // An unnamed file is gone once closed.
  CloseFile(output->file);
  output->file = kNoFile;
  if (!output->temporary.empty() && !RemoveFile(output->temporary)) {
    WriteErrors("zapnest: cannot remove the incomplete " + Quoted(output->temporary) + "\n");
  }
  StopRemovingOnInterrupt();
  return ExitFailed;
}

// Closes the archive and puts it in the target's place.
bool FinishOutput(Output* output, std::string* error) {
  ArchiveFailure failure{};
  const int32_t closed = CloseArchive(output->archive, &failure);
  output->archive = nullptr;
  if (closed != ArchiveOk) {
    *error = DescribeFailure(failure, Source{"", output->shownPath}, output->shownPath);
    return false;
  }
  // Only now, complete, may others read it, as they could read the target.
  GiveReplacementPermissions(output->file, output->target);
  // A name cannot be linked over another, so an unnamed file first gets a
  // temporary name of its own and is then renamed over the target, which
  // replaces it in one step.
  if (output->temporary.empty()) {
    const auto name = [output](const std::string& path, uint32_t* claimError) {
      return NameUnnamedFile(output->file, path, claimError);
    };
    if (!ClaimTemporaryName(output, name, error)) return false;
  }
  CloseFile(output->file);
  output->file = kNoFile;
  uint32_t replaceError = 0;
  if (!MoveIntoPlace(output->temporary, output->target, &replaceError)) {
    *error = "cannot replace " + Quoted(output->shownPath) + ": " + DescribeFileError(replaceError);
    return false;
  }
  StopRemovingOnInterrupt();
  return true;
}

int Run(const Options& options) {
  const auto start = std::chrono::steady_clock::now();
  if (options.archive.empty() || (options.folderMode && options.inputs.front().empty())) {
    WriteErrors(std::string("zapnest: the ") + (options.archive.empty() ? "archive's" : "folder's") +
                " name is empty; nothing was written\n");
    return ExitUsage;
  }
  Output output;
  output.shownPath = options.archive;
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
  const bool planned = options.folderMode ? PlanFolder(options.inputs.front(), output.target, options.quiet, &sources,
                                                       &notices, &totals.skipped, &error)
                                          : PlanFiles(options.inputs, output.target, &sources, &error);
  for (const std::string& notice : notices) WriteErrors(notice);
  if (!planned || FindCollision(sources, &error)) {
    WriteErrors("zapnest: " + error + "; nothing was written\n");
    // A folder that cannot be read is a failure; the rest is a wrong request.
    return options.folderMode && !planned ? ExitFailed : ExitUsage;
  }

  if (!StartOutput(&output, &error)) return Fail(&output, error);
  if (options.latestTime >= 0) output.archive->latestEntryTime = UnixTimeToFileTime(options.latestTime, 0);
  const bool showProgress = !options.quiet && ErrorsGoToTerminal();
  for (const Source& source : sources) {
    Progress progress;
    uint64_t size = 0;
    if (showProgress && FileSize(source.path, &size)) {
      StartProgress(output.archive, &progress, ShownText(source.entryName), size);
    }
    // A listed file must still be the one listed: a name given to another
    // file, or to a link, since then is refused.
    const int32_t result =
        options.folderMode
            ? AddListedFileToArchive(output.archive, source.entryName.c_str(), source.path.c_str(), source.identity)
            : AddFileToArchive(output.archive, source.entryName.c_str(), source.path.c_str());
    if (showProgress) EndProgress(output.archive, &progress);
    AddedEntry added{};
    if (result == ArchiveOk && DescribeLastAdded(output.archive, &added)) {
      ++totals.files;
      totals.bytesIn += added.uncompressedSize;
      if (!options.quiet) PrintAdded(source, added);
      continue;
    }
    const ArchiveFailure failure = LastArchiveFailure(output.archive);
    const std::string message = DescribeFailure(failure, source, options.archive);
    // In a folder a file that fails for its own reasons is skipped; a failure
    // of the archive stops the run.
    if (!options.folderMode || !IsSourceFailure(failure)) return Fail(&output, message);
    WriteErrors("zapnest: warning: " + message + "; skipped\n");
    ++totals.skipped;
  }
  if (!FinishOutput(&output, &error)) return Fail(&output, error);

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
