// Compressing one input on several threads to the very bytes CompressStream
// writes on one: the input is cut into segments that worker threads parse
// apart (see segment_parse.h); the caller's thread joins their parses where
// they meet, ends the blocks where the one-thread compression ends them, has
// the workers code the blocks, and writes their bits one after the other.
// Reads, writes and the stream's callbacks all stay on the caller's thread.
#pragma once

#include <cstdint>

#include "deflate/deflate_stream.h"
#include "deflate/worker_pool.h"

// The workers and the memory a compression on several threads uses, kept
// from one input to the next.
struct DeflateWorkers;

// How many bytes of input a worker parses at a time. Inputs no longer than
// this are compressed on the caller's thread alone.
constexpr uint32_t kSegmentSize = 1u << 19;
// The shortest segments SetDeflateSegmentSize takes: a window and a little.
constexpr uint32_t kShortestSegmentSize = 72 * 1024;

// The most workers one compression uses: enough for every core of today's
// machines in a 64-bit process, and in a 32-bit one few enough that their
// memory (about 3 MiB each) leaves room for everything else.
constexpr uint32_t kMostDeflateWorkers = sizeof(void*) >= 8 ? 32 : 8;

// `count` workers (2 to kMostDeflateWorkers), or null when there is no memory
// for the record. Threads and buffers are made when the first long input
// needs them.
DeflateWorkers* CreateDeflateWorkers(uint32_t count);

// Makes the workers cut inputs into segments of `bytes` (kShortestSegmentSize
// to kSegmentSize; other values are ignored) rather than kSegmentSize: for
// tests, which reach many segments with short inputs. The bytes written are
// the same.
void SetDeflateSegmentSize(DeflateWorkers* workers, uint32_t bytes);

// How many workers `workers` has.
uint32_t DeflateWorkerCount(const DeflateWorkers* workers);

// Ends the threads and releases everything; null is ignored.
void ReleaseDeflateWorkers(DeflateWorkers* workers);

// Queues `job` to run on a worker, with the worker's own compressor state,
// whenever no job of a compression on the workers waits: for work beside
// it, such as compressing whole short inputs with CompressStream. Starts
// the threads when none run yet. Returns false, queuing nothing, when they
// cannot be had.
bool QueueSideJob(DeflateWorkers* workers, WorkerJob* job);

// Takes a queued side job back when no worker has begun it (it is then no
// longer queued), and returns true; false when it has begun or run.
bool TakeBackSideJob(DeflateWorkers* workers, WorkerJob* job);

// Waits until a job of the workers ends, at most `milliseconds`: for a
// caller waiting for its side jobs (see JobDone).
void AwaitSideJobs(DeflateWorkers* workers, uint32_t milliseconds);

// As CompressStream(compressor, stream), with the same result and the same
// bytes, the input's segments parsed and its blocks coded by the workers.
// Inputs expected to be short (see DeflateStream::expectedSize), inputs that
// turn out no longer than a segment, and every input once the threads or
// their memory could not be had, are compressed by CompressStream itself.
// While the workers run, the caller's thread calls the stream's `waiting`
// at least every kWaitingInterval milliseconds; when a callback stops the
// compression, the workers stop within a few milliseconds and the call
// returns only once none runs.
DeflateResult CompressStreamOnWorkers(DeflateState* compressor, DeflateWorkers* workers, DeflateStream* stream);
