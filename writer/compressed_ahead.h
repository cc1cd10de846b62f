// Entries compressed ahead: while the caller's thread adds one entry, the
// compressor's workers read and deflate the next short files of the
// caller's plan into memory, a batch of them per job, so that their adds
// only write. The archive
// takes each result in the plan's order; a result that is not complete and
// sound is dropped, and its file is added as usual on the caller's thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "writer/archive_options.h"
#include "writer/entry_compression.h"
#include "writer/source.h"
#include "zip/source_metadata.h"

// The sources an archive expects to add, in order, and the entries being
// compressed ahead of them.
struct AheadPlan;

// A file read and deflated ahead whole: what the add of its source needs.
struct CompressedAhead {
  FileInfo opened;          // as the file was opened
  SourceMetadata metadata;  // read from it after the open, before any clamping
  uint32_t crc32;           // of all its bytes, which were `opened.size`
  const uint8_t* data;      // the deflate data
  uint32_t dataSize;
};

// The most output the entries compressed ahead of an archive hold at once.
constexpr uint32_t kMostBytesAhead = 64u << 20;

// A plan for `count` sources (copied), or null when there is no memory.
AheadPlan* NewAheadPlan(const Source* sources, size_t count, DosTimeZone zone);

// Queues the plan's next short deflated files on the compressors' workers,
// as far as kMostBytesAhead and a few per worker allow. Does nothing
// without workers, and ends the plan when their threads cannot be had.
void CompressAhead(AheadPlan* plan, EntryCompressors* compressors);

// Takes the plan's next source when it is the file added now: the same
// entry name and path, and for a listed file (non-null `listed`) the same
// identity. An add of any other file ends the plan. Returns the file's
// result when it was compressed ahead completely, while the file stayed
// unchanged, and null otherwise: the caller then adds the file itself. When
// no worker has begun the file's batch, the caller adds the file itself and
// a worker takes the rest of the batch; a batch that runs is waited for,
// with `report` called with 0 every kWaitingInterval milliseconds. When the
// report asks to stop, *cancelled is set and null is returned. A result
// stays valid until ReleaseTaken.
const CompressedAhead* TakeAhead(AheadPlan* plan, EntryCompressors* compressors, const char* entryName,
                                 const char* path, const FileIdentity* listed, ReadReport report, void* reportContext,
                                 bool* cancelled);

// Releases the result TakeAhead gave last, if any; null is ignored.
void ReleaseTaken(AheadPlan* plan);

// Stops every compression ahead, waits until none runs, and releases the
// plan and its results; null is ignored. Before the compressors' workers
// are released.
void ReleaseAheadPlan(AheadPlan* plan);
