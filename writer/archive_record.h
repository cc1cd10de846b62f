// The state of one zip archive being written and its flag bits: the
// writer's own record, which nothing outside writer/ sees (callers hold a
// ZipArchive* as a handle).
#pragma once

#include <cstdint>

#include "writer/archive_options.h"
#include "writer/entry_compression.h"
#include "writer/output_channel.h"

struct AheadPlan;
struct ZipEntry;

enum ArchiveFlag : uint32_t {
  OwnsOutput = 0x02,       // close closes the channel's output
  SourceInfoKnown = 0x20,  // the current entry's metadata came from the file itself
  OwnsSource = 0x40,       // the channel's source is open and the writer must close it
};

// Allocated zero-filled as fixed memory by the create operations, released
// by CloseArchive. It owns the channel's output while OwnsOutput is set, its
// source while OwnsSource is set, every entry in `entryList` and the
// compressors.
struct ZipArchive {
  uint32_t flags;
  // Archive position of the next byte. The channel never advances it; the
  // add and close logic add each record's and each entry's size themselves.
  uint32_t archiveOffset;
  ZipEntry* entryList;  // entries in the order added, linked by `next`
  ZipEntry* lastEntry;  // the tail of entryList, so that appending takes no walk
  // Bytes the central directory of the entries in entryList will take, so
  // that an add can tell whether the archive still closes within the limit.
  uint32_t directorySize;
  // Size of the current source as queried before reading (0xFFFFFFFF when it
  // could not be queried); after reading, the bytes actually read.
  uint32_t sourceSize;
  // The compressor and its workers, made by the first deflated entry and
  // kept until close.
  EntryCompressors compressors;
  // The files the caller said it will add, and those compressed ahead.
  AheadPlan* ahead;
  // What the creator asked for: the read report, the latest entry time and
  // the clock of the DOS times.
  ArchiveOptions options;
  OutputChannel channel;
};
