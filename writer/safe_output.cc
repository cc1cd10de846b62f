#include "writer/safe_output.h"

#include "platform/file_errors.h"
#include "platform/file_replacement.h"
#include "platform/file_status.h"
#include "platform/paths.h"
#include "platform/process_id.h"
#include "platform/unnamed_file.h"
#include "writer/archive.h"
#include "writer/temporary_name.h"

namespace {

// How many temporary names one process tries in a folder before it gives up.
constexpr uint32_t kTemporaryNameAttempts = 100;

void Fail(SafeOutputFailure* failure, SafeOutputStep step, uint32_t systemError) {
  failure->step = step;
  failure->systemError = systemError;
  failure->archiveStatus = kArchiveOk;
}

// Tries the temporary names of this process in the target's folder in turn
// until `claim` (given a path, returning false with the system's error)
// takes one that nothing else has; never touches an existing file.
template <typename Claim>
bool ClaimTemporaryName(SafeOutput* output, const Claim& claim, SafeOutputFailure* failure) {
  const std::string folder = FolderOf(output->target);
  for (uint32_t attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    const std::string path = JoinPath(folder, TemporaryName(CurrentProcessId(), attempt));
    uint32_t claimError = 0;
    if (claim(path, &claimError)) {
      output->temporary = path;
      if (output->tookTemporaryName != nullptr) output->tookTemporaryName(path);
      return true;
    }
    if (IsAlreadyExistsError(claimError)) continue;
    Fail(failure, SafeOutputCreate, claimError);
    return false;
  }
  Fail(failure, SafeOutputNoTemporaryName, 0);
  return false;
}

}  // namespace

bool StartSafeOutput(SafeOutput* output, SafeOutputFailure* failure) {
  uint32_t replaceError = 0;
  if (!CanReplace(output->target, &replaceError)) {
    Fail(failure, SafeOutputReplace, replaceError);
    return false;
  }
  bool unsupported = false;
  uint32_t createError = 0;
  output->file = CreateUnnamedFile(FolderOf(output->target), &unsupported, &createError);
  if (output->file == kNoFile && !unsupported) {
    Fail(failure, SafeOutputCreate, createError);
    return false;
  }
  if (output->file == kNoFile) {
    const auto createNamed = [output](const std::string& path, uint32_t* claimError) {
      output->file = CreateNewOutputFile(path.c_str(), claimError);
      return output->file != kNoFile;
    };
    if (!ClaimTemporaryName(output, createNamed, failure)) return false;
  }
  if (CreateArchiveOnHandle(output->file, &output->archive, output->options).code != ArchiveOk) {
    Fail(failure, SafeOutputNoMemory, 0);
    return false;
  }
  return true;
}

bool FinishSafeOutput(SafeOutput* output, SafeOutputFailure* failure) {
  const ArchiveStatus closed = CloseArchive(output->archive);
  output->archive = nullptr;
  if (closed.code != ArchiveOk) {
    Fail(failure, SafeOutputClose, 0);
    failure->archiveStatus = closed;
    return false;
  }
  // Only now, complete, may others read it, as they could read the target.
  GiveReplacementPermissions(output->file, output->target);
  // A file it replaces must not be lost to a power cut either: the data is
  // on disk before the rename can be. A new file risks nothing of the
  // user's, and is spared the wait.
  uint32_t flushError = 0;
  if (KindOf(output->target) == PathRegular && !FlushBeforeReplacing(output->file, &flushError)) {
    Fail(failure, SafeOutputReplace, flushError);
    return false;
  }
  // A name cannot be linked over another, so an unnamed file first gets a
  // temporary name of its own and is then renamed over the target, which
  // replaces it in one step.
  if (output->temporary.empty()) {
    const auto name = [output](const std::string& path, uint32_t* claimError) {
      return NameUnnamedFile(output->file, path, claimError);
    };
    if (!ClaimTemporaryName(output, name, failure)) return false;
  }
  CloseFile(output->file);
  output->file = kNoFile;
  uint32_t replaceError = 0;
  if (!MoveIntoPlace(output->temporary, output->target, &replaceError)) {
    Fail(failure, SafeOutputReplace, replaceError);
    return false;
  }
  output->temporary.clear();
  return true;
}

bool AbandonSafeOutput(SafeOutput* output) {
  // Nothing more is written to a file that is about to go.
  DiscardArchive(output->archive);
  output->archive = nullptr;
  // An unnamed file is gone once closed.
  CloseFile(output->file);
  output->file = kNoFile;
  if (output->temporary.empty()) return true;
  if (!RemoveFile(output->temporary)) return false;
  output->temporary.clear();
  return true;
}
