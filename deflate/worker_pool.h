// The compressor's worker threads, each with a compressor state of its own,
// and the queue of jobs they take: jobs of a lower rank first, each rank in
// the order queued. Only the thread that started the pool queues jobs and
// waits for them.
#pragma once

#include <atomic>
#include <cstdint>

#include "deflate/deflate_state.h"

enum JobRank : uint8_t {
  UrgentJob,  // what the caller waits for next: blocks to code, a parse to join
  AheadJob,   // parses of stretches further on
  SideJob,    // work beside the compression in progress: whole short inputs
  kJobRanks
};

struct WorkerJob {
  // Runs on a worker with its state; must not touch another job's data.
  void (*run)(DeflateState* state, WorkerJob* job);
  void* data;                // what `run` works on
  WorkerJob* next;           // in the queue
  std::atomic<bool> queued;  // set when queued, cleared once it has run
};

struct WorkerPool;

// Starts `count` threads with a compressor state each. Returns null when
// the system gives too few threads or too little memory; then nothing runs.
WorkerPool* StartWorkerPool(uint32_t count);

// Lets the workers finish every job queued, then ends and releases them.
void StopWorkerPool(WorkerPool* pool);

// Queues `job`, which must not be queued already.
void QueueJob(WorkerPool* pool, WorkerJob* job, JobRank rank);

// Takes `job` out of the queue when no worker has taken it yet, and returns
// true; it is then no longer queued. Returns false when it has begun or run.
bool TakeBackJob(WorkerPool* pool, WorkerJob* job, JobRank rank);

// Whether `job` has run since it was last queued; everything it wrote is
// then visible to the caller.
inline bool JobDone(const WorkerJob* job) { return !job->queued.load(std::memory_order_acquire); }

// Waits until a job ends, at most `milliseconds`. Returns false when none
// ended in that time.
bool AwaitJobEnd(WorkerPool* pool, uint32_t milliseconds);
