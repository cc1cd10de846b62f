// Writing an archive so that the file it is to replace is never lost: the
// archive goes to a file of its own beside the target (unnamed where the
// system allows, else under a temporary name), private to the user, which
// takes the target's place in one step only once it is complete. Every
// failure, and giving up, removes that file and touches nothing else. The
// command-line tool and the plug-in both write through it. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "writer/archive.h"

struct SafeOutput {
  std::string target;         // the file the archive replaces, or becomes
  FileHandle file = kNoFile;  // the archive's file, open until it takes the target's place
  std::string temporary;      // its temporary name, once it has one of its own
  ZipArchive* archive = nullptr;
  ArchiveOptions options;  // what the archive is created with
  // Told each temporary name as soon as the file has it, so that the caller
  // can remove it should the process be interrupted before it is removed or
  // renamed here; may be null.
  void (*tookTemporaryName)(const std::string& path) = nullptr;
};

// Where a safe output failed.
enum SafeOutputStep {
  SafeOutputCreate,           // its file could not be created (or named): systemError says why
  SafeOutputNoTemporaryName,  // every temporary name this process tries in the folder is taken
  SafeOutputNoMemory,         // no memory for the archive record
  SafeOutputClose,            // the directory could not be written: archiveStatus says why
  SafeOutputReplace,          // the target cannot be replaced, or the complete archive could not take its place:
                              // systemError
};

struct SafeOutputFailure {
  SafeOutputStep step;
  uint32_t systemError;
  ArchiveStatus archiveStatus;
};

// Creates the archive's file in the folder of `output->target` (set by the
// caller) and an archive record on it in `output->archive`, after making
// sure that a file at the target could be replaced (SafeOutputReplace when
// not). Returns false with *failure filled; the caller then calls
// AbandonSafeOutput, which removes whatever was made.
bool StartSafeOutput(SafeOutput* output, SafeOutputFailure* failure);

// Closes the archive (its directory written), gives the file the
// permissions the target had, and puts it in the target's place. Returns
// false with *failure filled; the target is then untouched and the caller
// calls AbandonSafeOutput.
bool FinishSafeOutput(SafeOutput* output, SafeOutputFailure* failure);

// Gives the archive up: closes it and its file and removes the temporary
// name. Returns false only when that name could not be removed (it is still
// in output->temporary). Safe to call at any point, also twice.
bool AbandonSafeOutput(SafeOutput* output);
