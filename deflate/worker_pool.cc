#include "deflate/worker_pool.h"

#include "deflate/block_flush.h"
#include "deflate/compressor.h"
#include "platform/platform.h"
#include "platform/threads.h"

namespace {

constexpr uint32_t kMostWorkers = 64;

}  // namespace

struct WorkerPool {
  uint32_t count;
  Thread* threads[kMostWorkers];
  DeflateState* states[kMostWorkers];
  Lock* lock;
  Semaphore* queued;  // one post per job queued, and one per worker to end it
  Semaphore* ended;   // one post per job run
  // Under the lock.
  WorkerJob* first[kJobRanks];
  WorkerJob* last[kJobRanks];
  bool stopping;
  uint32_t started;
};

namespace {

// Takes the first job of the lowest rank; null when there is none.
WorkerJob* TakeJob(WorkerPool* pool) {
  for (uint32_t rank = 0; rank < kJobRanks; ++rank) {
    WorkerJob* job = pool->first[rank];
    if (job == nullptr) continue;
    pool->first[rank] = job->next;
    if (pool->first[rank] == nullptr) pool->last[rank] = nullptr;
    return job;
  }
  return nullptr;
}

void RunWorker(WorkerPool* pool, DeflateState* state) {
  for (;;) {
    while (!WaitSemaphore(pool->queued, 1000)) {
    }
    HoldLock(pool->lock);
    WorkerJob* job = TakeJob(pool);
    const bool stop = job == nullptr && pool->stopping;
    DropLock(pool->lock);
    if (stop) return;
    if (job == nullptr) continue;
    job->run(state, job);
    job->queued.store(false, std::memory_order_release);
    PostSemaphore(pool->ended);
  }
}

void ReleasePool(WorkerPool* pool) {
  for (DeflateState* state : pool->states) ReleaseCompressor(state);
  FreeSemaphore(pool->queued);
  FreeSemaphore(pool->ended);
  FreeLock(pool->lock);
  ReleaseFixedMemory(pool);
}

}  // namespace

WorkerPool* StartWorkerPool(uint32_t count) {
  if (count == 0 || count > kMostWorkers) return nullptr;
  auto* pool = static_cast<WorkerPool*>(AllocateFixedMemory(sizeof(WorkerPool)));
  if (pool == nullptr) return nullptr;
  pool->count = count;
  pool->lock = NewLock();
  pool->queued = NewSemaphore();
  pool->ended = NewSemaphore();
  bool ready = pool->lock != nullptr && pool->queued != nullptr && pool->ended != nullptr;
  for (uint32_t i = 0; ready && i < count; ++i) {
    pool->states[i] = CreateCompressor();
    ready = pool->states[i] != nullptr;
    // The code maps and fixed trees, which coding a block reads.
    if (ready) PrepareTables(pool->states[i]);
  }
  if (!ready) {
    ReleasePool(pool);
    return nullptr;
  }
  for (uint32_t i = 0; i < count; ++i) {
    pool->threads[i] = StartThread(
        [](void* context) {
          auto* started = static_cast<WorkerPool*>(context);
          HoldLock(started->lock);
          DeflateState* state = started->states[started->started++];
          DropLock(started->lock);
          RunWorker(started, state);
        },
        pool);
    if (pool->threads[i] == nullptr) {
      StopWorkerPool(pool);
      return nullptr;
    }
  }
  return pool;
}

void StopWorkerPool(WorkerPool* pool) {
  if (pool == nullptr) return;
  HoldLock(pool->lock);
  pool->stopping = true;
  DropLock(pool->lock);
  // Threads are started in order; the first that failed is null.
  uint32_t threads = 0;
  while (threads < pool->count && pool->threads[threads] != nullptr) ++threads;
  for (uint32_t i = 0; i < threads; ++i) PostSemaphore(pool->queued);
  for (uint32_t i = 0; i < threads; ++i) JoinThread(pool->threads[i]);
  ReleasePool(pool);
}

void QueueJob(WorkerPool* pool, WorkerJob* job, JobRank rank) {
  job->next = nullptr;
  job->queued.store(true, std::memory_order_relaxed);
  HoldLock(pool->lock);
  if (pool->last[rank] == nullptr) {
    pool->first[rank] = job;
  } else {
    pool->last[rank]->next = job;
  }
  pool->last[rank] = job;
  DropLock(pool->lock);
  PostSemaphore(pool->queued);
}

bool TakeBackJob(WorkerPool* pool, WorkerJob* job, JobRank rank) {
  HoldLock(pool->lock);
  WorkerJob* before = nullptr;
  WorkerJob* at = pool->first[rank];
  while (at != nullptr && at != job) {
    before = at;
    at = at->next;
  }
  if (at != nullptr) {
    (before == nullptr ? pool->first[rank] : before->next) = job->next;
    if (pool->last[rank] == job) pool->last[rank] = before;
    job->queued.store(false, std::memory_order_relaxed);
  }
  DropLock(pool->lock);
  // The semaphore keeps its post: a worker that takes it finds no job, or
  // another's, and waits again.
  return at != nullptr;
}

bool AwaitJobEnd(WorkerPool* pool, uint32_t milliseconds) { return WaitSemaphore(pool->ended, milliseconds); }
