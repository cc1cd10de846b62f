// What every operation of the archive writer gives back: one status with the
// result code, and for a failure its reason, the system's error and, for a
// refused name, the name's problem.
#pragma once

#include <cstdint>

#include "zip/entry_name.h"

// Result codes. Each names one kind of failure, and only that: the codes 0
// to 16 keep their numbers, and what once shared one of them (an archive
// past its largest size, a source of 4 GiB, a cancel) has a code of its own.
enum ArchiveResult : int32_t {
  ArchiveOk = 0,
  ArchiveOpenFailed = 1,       // the archive file was not created; a source was not opened or not described
  ArchiveNoMemory = 2,         // record, entry or compressor state not allocated
  ArchiveWriteFailed = 3,      // a write to the output failed or was short
  ArchiveReadFailed = 7,       // a read of the source failed, or the source changed while it was read
  ArchiveBadArgument = 9,      // no archive, no source path, or an entry name no zip can hold
  ArchiveFinished = 13,        // an add after the central directory was written
  ArchiveSeekFailed = 16,      // the output could not be repositioned
  ArchiveTooLarge = 17,        // the archive would grow past its largest size
  ArchiveSourceTooLarge = 18,  // a source of 4 GiB or more, found at open or while it was read
  ArchiveCancelled = 19,       // the read report asked to stop
};

// Why an operation failed, finer than its code where one code has several
// causes, so that a caller need not find out again which it was.
enum FailureReason : uint32_t {
  NoFailure = 0,
  FailedNoArchive,           // ArchiveBadArgument: no archive
  FailedNoSourcePath,        // ArchiveBadArgument: no source path
  FailedNameRefused,         // ArchiveBadArgument: the entry name is refused (nameProblem says why)
  FailedSourceTooLarge,      // ArchiveSourceTooLarge
  FailedFinished,            // ArchiveFinished
  FailedSourceOpen,          // ArchiveOpenFailed: the system refused to open or describe the source
  FailedSourceNotPlainFile,  // ArchiveOpenFailed: a folder, a device, a pipe
  FailedSourceNotListed,     // ArchiveOpenFailed: another file than the one listed
  FailedSourceRead,          // ArchiveReadFailed: a read failed
  FailedSourceChanged,       // ArchiveReadFailed: its size or times changed while it was read
  FailedNoMemory,            // ArchiveNoMemory
  FailedOutputWrite,         // ArchiveWriteFailed
  FailedOutputReposition,    // ArchiveSeekFailed
  FailedArchiveLimit,        // ArchiveTooLarge
  FailedCancelled,           // ArchiveCancelled
  FailedOutputCreate,        // ArchiveOpenFailed: the archive file could not be created
  FailedNoOutput,            // ArchiveBadArgument: no output handle to write to
};

struct ArchiveStatus {
  ArchiveResult code;
  FailureReason reason;
  // The system's error code when a call to it failed, 0 when the writer
  // refused by itself.
  uint32_t systemError;
  // For FailedNameRefused, what CheckEntryName found; EntryNameOk otherwise.
  EntryNameProblem nameProblem;
};

constexpr ArchiveStatus kArchiveOk{ArchiveOk, NoFailure, 0, EntryNameOk};

// A failure other than a refused name.
inline ArchiveStatus FailureStatus(ArchiveResult code, FailureReason reason, uint32_t systemError = 0) {
  return ArchiveStatus{code, reason, systemError, EntryNameOk};
}

// Whether a failure was the source's doing (it could not be opened or read,
// changed while read, is 4 GiB or more, has a name no zip holds, or no
// longer fits the archive), after which the archive takes further files,
// rather than the output's (a write, a reposition, memory) or a cancel.
bool IsSourceFailure(const ArchiveStatus& status);
