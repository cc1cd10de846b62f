// The state of one zip archive being written, its flag bits and the result
// codes of the archive writer's operations.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "zip/dos_time.h"

struct ZipEntry;
struct DeflateState;

// How much output is staged at a time in the archive's I/O buffer: by the
// stored copy and the compressor while an entry is added, and by the central
// directory as the archive closes.
constexpr uint32_t kIoBufferSize = 16384;

// Room in the I/O buffer in front of an entry's staged output for its local
// header (the longest one, 307 bytes, rounded up): header and output then
// lie end to end and go out with one write.
constexpr uint32_t kLocalHeaderRoom = 320;

// The largest archive written, directory and end record included. A large
// entry's header is rewritten in place after its data, and the system's seek
// takes a signed 32-bit distance, so an entry must end below 2 GiB; keeping
// the whole archive there also spares the readers that treat offsets as
// signed.
constexpr uint32_t kLargestArchive = 0x7FFFFFFF;

// The largest source: its size must fit the 32-bit size fields, and the
// format written has no 64-bit records.
constexpr uint64_t kLargestSource = 0xFFFFFFFF;

enum ArchiveFlag : uint32_t {
  OwnsOutput = 0x02,       // close closes `output`
  OutputSeekable = 0x04,   // `output` may be repositioned
  Finished = 0x08,         // central directory and end record written
  SourceInfoKnown = 0x20,  // the current entry's metadata came from the file itself
  OwnsSource = 0x40,       // `source` is open and the writer must close it
};

// Result codes. Operations return them; failures inside an add or a close are
// also kept in `errorCode`. No other values are ever produced.
enum ArchiveResult : int32_t {
  ArchiveOk = 0,
  ArchiveOpenFailed = 1,   // archive file not created; source not opened or not queried
  ArchiveNoMemory = 2,     // record, entry or compressor state not allocated
  ArchiveWriteFailed = 3,  // a write to the output failed or was short
  ArchiveReadFailed = 7,   // a read of the source failed
  // No archive, no source path, an unusable entry name, or a source of
  // 4 GiB or more (found at open, or while it is read)
  ArchiveBadArgument = 9,
  ArchiveFinished = 13,  // add after the central directory was written
  // The output could not be repositioned, or the archive would grow past
  // outputLimit
  ArchiveSeekFailed = 16,
};

// Allocated zero-filled as fixed memory by CreateArchiveOnFile, released by
// Why an add or a close failed, finer than its result code: several
// reasons share one code, and a caller should not have to find out again
// which it was.
enum FailureReason : uint32_t {
  NoFailure = 0,
  FailedNoArchive,           // ArchiveBadArgument: no archive record
  FailedNoSourcePath,        // ArchiveBadArgument: no source path
  FailedNameRefused,         // ArchiveBadArgument: CheckEntryName refused the name
  FailedSourceTooLarge,      // ArchiveBadArgument: 4 GiB or more, at open or while read
  FailedFinished,            // ArchiveFinished: the directory was written already
  FailedSourceOpen,          // ArchiveOpenFailed: the system refused to open or describe it
  FailedSourceNotPlainFile,  // ArchiveOpenFailed: a folder, a device, a pipe
  FailedSourceNotListed,     // ArchiveOpenFailed: another file than the one listed
  FailedSourceRead,          // ArchiveReadFailed: a read failed
  FailedSourceChanged,       // ArchiveReadFailed: its size or time changed while it was read
  FailedNoMemory,            // ArchiveNoMemory
  FailedOutputWrite,         // ArchiveWriteFailed
  FailedOutputReposition,    // ArchiveSeekFailed: the system could not move the output
  FailedArchiveLimit,        // ArchiveSeekFailed: the archive would pass kLargestArchive
  FailedCancelled,           // ArchiveReadFailed: readProgress asked to stop
};

struct ArchiveFailure {
  FailureReason reason;
  // LastFileError when the failure was the system's, 0 when the writer
  // refused by itself.
  uint32_t systemError;
  // For FailedNameRefused, the EntryNameProblem that CheckEntryName gave.
  int32_t nameProblem;
};

// CloseArchive. It owns `output` while OwnsOutput is set, `source` while
// OwnsSource is set, every entry in `entryList` and `deflateState`.
struct ZipArchive {
  uint32_t flags;
  FileHandle output;
  // Archive position of the next byte. The channel never advances it; the
  // add and close logic add each record's and each entry's size themselves.
  uint32_t archiveOffset;
  // Sticky: while non-zero every write is skipped and the compressor stops,
  // so callers test it once per record, block or step.
  int32_t errorCode;
  ZipEntry* entryList;  // entries in the order added, linked by `next`
  // Size of the current source as queried before reading (0xFFFFFFFF when it
  // could not be queried); after reading, the bytes actually read.
  uint32_t sourceSize;
  uint32_t bytesRead;          // source bytes of the current entry read so far
  uint32_t crc32;              // CRC-32 of those bytes; 0 before the first
  FileHandle source;           // the file being added
  uint32_t compressedSize;     // data bytes of the current entry written so far
  DeflateState* deflateState;  // created by the first deflated entry, kept until close
  ZipEntry* lastEntry;         // the tail of entryList, so that appending takes no walk
  // Where the next byte goes in the output, as the channel has moved it.
  // Writes that would take it past outputLimit are refused, so no offset or
  // size of the archive can wrap; creation sets kLargestArchive.
  uint32_t outputPosition;
  uint32_t outputLimit;
  // Bytes the central directory of the entries in entryList will take, so
  // that an add can tell whether the archive still closes within the limit.
  uint32_t directorySize;
  // Told after every read of a source, with the entry's bytes read so far,
  // when set (creation leaves it empty): a caller that shows progress sets
  // it. It must not touch the archive. Returning false stops the add there,
  // as a failed read would (ArchiveReadFailed, FailedCancelled): the user
  // cancelled.
  bool (*readProgress)(void* context, uint32_t bytesRead);
  void* readProgressContext;
  // When non-zero, a UTC file time: every entry time later than it is
  // written as it (creation leaves it 0). Files built just now then enter
  // the archive with the time of what they were built from, so two builds
  // give the same bytes.
  FileTime latestEntryTime;
  // The clock of every entry's DOS date and time (creation leaves it
  // DosTimeLocal). Set DosTimeUtc beside latestEntryTime where the archive
  // must come out the same whatever zone it is made in.
  DosTimeZone dosTimeZone;
  // Why the last failed add or close failed; set together with its result
  // (or errorCode), left alone by successes.
  ArchiveFailure failure;
  // Bytes of the current entry's local header that lie just in front of the
  // staged output, not written yet; 0 when none waits. While it is set
  // nothing of the entry has reached the output. Every add ends with it 0.
  uint32_t pendingHeader;
  // kIoBufferSize bytes of staged output from kLocalHeaderRoom on (see
  // StagedOutput), with a pending local header in front of them; the
  // central directory gathers its records from the start.
  uint8_t ioBuffer[kLocalHeaderRoom + kIoBufferSize];
};
