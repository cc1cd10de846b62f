// Metadata of a source file: its times and its zip external attributes.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "zip/dos_time.h"

// The facts taken from a source file before its entry is built. Times are
// seconds since 1970-01-01 00:00:00 UTC, as ToUnixTime gives them.
struct SourceMetadata {
  int32_t accessTime;
  int32_t modifyTime;
  int32_t createTime;
  uint32_t dosDateTime;  // the last write in DOS form, in local time or UTC (DosTimeZone)
  uint32_t externalAttributes;
  // The last write as the system gave it (UTC), before either field held it
  // to its range, so that ClampTimes compares what the file says.
  FileTime lastWriteTime;
};

// Fills `metadata` from `info`, which describes the open `source`
// (OpenInputFile gives it), with the DOS time on the clock `zone`. Sets
// owner-execute in the Unix mode when the file starts like an MZ, NE, LE or
// PE program: its head is read from where the source stands, which must be
// its start, as opened, and the source is left positioned at 0. Returns
// false when the source cannot be set back to its start after that test,
// with the system's reason in *error when it is given.
bool ReadFileMetadata(FileHandle source, const FileInfo& info, DosTimeZone zone, SourceMetadata* metadata,
                      uint32_t* error = nullptr);

// As ReadFileMetadata, for a plain file whose whole contents, `info.size`
// bytes, were read into `contents`.
void ContentsMetadata(const FileInfo& info, const uint8_t* contents, DosTimeZone zone, SourceMetadata* metadata);

// Fills `metadata` from `info`, which describes a folder (QueryFolderInfo
// gives it), for an entry of its own: a folder its owner may open, list and
// change, unless it is read-only, with the DOS time on the clock `zone`.
void FolderMetadata(const FileInfo& info, DosTimeZone zone, SourceMetadata* metadata);

// Moves every time in `metadata` that is later than `latest`, a UTC file
// time, back to `latest`, the DOS time on the clock `zone`. A `latest` past
// every time changes nothing.
void ClampTimes(SourceMetadata* metadata, FileTime latest, DosTimeZone zone);

// Fills `metadata` from the clock, for a source that cannot describe itself:
// now as the three times (the DOS time on the clock `zone`), a regular file
// without permission bits.
void CurrentTimeMetadata(SourceMetadata* metadata, DosTimeZone zone);
