// What a caller asks of an archive as it creates it, and the limits it can
// ask for.
#pragma once

#include <cstdint>

#include "platform/file_time.h"
#include "zip/dos_time.h"

// The largest archive written, directory and end record included. A large
// entry's header is rewritten in place after its data, and the system's seek
// takes a signed 32-bit distance, so an entry must end below 2 GiB; keeping
// the whole archive there also spares the readers that treat offsets as
// signed.
constexpr uint32_t kLargestArchive = 0x7FFFFFFF;

// The largest source: its size must fit the 32-bit size fields, and the
// format written has no 64-bit records.
constexpr uint64_t kLargestSource = 0xFFFFFFFF;

// Told after every read of a source with the entry's bytes read so far.
// Returning false stops the add there (ArchiveCancelled): the user
// cancelled.
using ReadReport = bool (*)(void* context, uint32_t bytesRead);

struct ArchiveOptions {
  // Set by a caller that shows progress. It must not use the archive.
  ReadReport readProgress = nullptr;
  void* readProgressContext = nullptr;
  // When non-zero, a UTC file time: every entry time later than it is
  // written as it. Files built just now then enter the archive with the time
  // of what they were built from, so two builds give the same bytes.
  FileTime latestEntryTime = 0;
  // The clock of every entry's DOS date and time. DosTimeUtc beside
  // latestEntryTime where the archive must come out the same whatever zone
  // it is made in.
  DosTimeZone dosTimeZone = DosTimeLocal;
  // The largest archive, directory and end record included; an add that
  // would pass it fails with ArchiveTooLarge. Larger values count as
  // kLargestArchive.
  uint32_t largestArchive = kLargestArchive;
  // How many threads deflate an entry. 1 compresses on the caller's thread
  // alone. More start that many worker threads once an entry longer than
  // the compressor's segment comes (kept until the archive is closed): they
  // parse and code its parts, to the very bytes one thread writes, while
  // the caller's thread reads, joins and writes, and calls the read report
  // at least every few dozen milliseconds meanwhile. When the threads or
  // their memory cannot be had, entries are compressed on one thread.
  // Values past the compressor's limit count as it.
  uint32_t deflateThreads = 1;
};
