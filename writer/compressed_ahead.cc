#include "writer/compressed_ahead.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <vector>

#include "deflate/compressor.h"
#include "deflate/parallel_compressor.h"
#include "writer/output_channel.h"
#include "zip/crc32.h"
#include "zip/entry_name.h"
#include "zip/zip_entry.h"

namespace {

// A worker takes the files compressed ahead in batches of a few, so that
// the handing over costs little beside short files: up to kBatchFiles
// files, and no more once kBatchBytes of them are in.
constexpr uint32_t kBatchFiles = 16;
constexpr uint64_t kBatchBytes = 64 * 1024;
// Batches queued at once per worker: enough that a worker finds the next as
// it ends one, few enough that a plan that ends early wastes little.
constexpr uint32_t kBatchesPerWorker = 3;

// Room for a file's deflate data: more than a compression can take, stored
// blocks and code headers included. Data that would not fit makes the
// compression ahead fail, and the file is added as usual.
uint32_t OutputRoom(uint64_t size) { return static_cast<uint32_t>(size + size / 8 + 1024); }

}  // namespace

// A file compressed ahead, and what it takes of kMostBytesAhead.
struct AheadFile {
  size_t index;  // of its source in the plan
  uint32_t room;
  bool ready;  // compressed completely, the file unchanged meanwhile
  CompressedAhead result;
  uint8_t* data;  // `room` bytes of the batch's `data`
};

// Files compressed ahead by one job, in the plan's order.
struct AheadBatch {
  WorkerJob job;
  const AheadPlan* plan;
  uint32_t count;
  uint32_t taken;    // files given out by TakeAhead
  uint32_t first;    // the first file its job compresses; those before it were added as usual
  uint32_t longest;  // the planned size of its longest file
  AheadFile files[kBatchFiles];
  uint8_t* data;  // the room of all its files, one after the other
  // While the job runs: the file being compressed, its contents, and how
  // far the compression has read them.
  AheadFile* current;
  uint8_t* contents;
  uint32_t contentsLength;
  uint32_t contentsRead;
  uint8_t output[kIoBufferSize];
};

struct AheadPlan {
  std::vector<Source> sources;
  DosTimeZone zone;
  size_t next;                      // the source the next add should add
  size_t considered;                // sources before it were queued or found unfit
  std::deque<AheadBatch*> batches;  // queued, running or done, in the plan's order
  AheadFile* given;                 // the file TakeAhead gave last, until it is released
  uint64_t bytesAhead;              // the room of the files not released yet
  DeflateWorkers* workers;          // once something was queued
  DeflateState* state;              // the caller's compressor, for batches it runs itself
  bool ended;
  std::atomic<bool> stop;  // read by the jobs between reads
};

namespace {

bool ReadContents(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length) {
  auto* batch = static_cast<AheadBatch*>(context);
  if (batch->plan->stop.load(std::memory_order_relaxed)) return false;
  const uint32_t left = batch->contentsLength - batch->contentsRead;
  *length = capacity < left ? capacity : left;
  memcpy(buffer, batch->contents + batch->contentsRead, *length);
  batch->contentsRead += *length;
  return true;
}

bool KeepCompressed(void* context, const uint8_t* data, uint32_t length, bool) {
  auto* batch = static_cast<AheadBatch*>(context);
  AheadFile* file = batch->current;
  if (length > file->room - file->result.dataSize) return false;
  if (length != 0) memcpy(file->data + file->result.dataSize, data, length);
  file->result.dataSize += length;
  return true;
}

// Reads the open `source` whole and deflates it, checking as an add does
// that it is the file planned, and that it stayed as it was while it was
// read: the same size (so that nothing was left unread), the same times.
bool CompressOpenFile(DeflateState* state, AheadBatch* batch, AheadFile* file, FileHandle source) {
  const Source& planned = batch->plan->sources[file->index];
  CompressedAhead& result = file->result;
  const FileInfo& opened = result.opened;
  if (planned.identity != FileIdentity{} && opened.identity != planned.identity) return false;
  if (opened.size > planned.size || opened.size == 0) return false;
  const auto length = static_cast<uint32_t>(opened.size);
  // All the file should hold, with nothing left unread (checked below).
  if (!ReadExactly(source, batch->contents, length)) return false;
  ContentsMetadata(opened, batch->contents, batch->plan->zone, &result.metadata);
  result.crc32 = UpdateCrc32(0, batch->contents, length);
  result.data = file->data;
  batch->contentsLength = length;
  batch->contentsRead = 0;
  DeflateStream stream{ReadContents, KeepCompressed, batch, batch->output, kIoBufferSize, 0, 0};
  if (CompressStream(state, &stream) != DeflateDone) return false;
  FileInfo now{};
  return QueryFileInfo(source, &now) && UnchangedWhileRead(now, opened, result.metadata.lastWriteTime, length);
}

// Compresses the batch's files one after the other.
void CompressBatch(DeflateState* state, WorkerJob* job) {
  auto* batch = static_cast<AheadBatch*>(job->data);
  batch->contents = static_cast<uint8_t*>(AllocateFixedMemory(batch->longest));
  for (uint32_t i = batch->first; batch->contents != nullptr && i < batch->count; ++i) {
    if (batch->plan->stop.load(std::memory_order_relaxed)) break;
    AheadFile* file = &batch->files[i];
    const FileHandle source = OpenInputFile(batch->plan->sources[file->index].path.c_str(), &file->result.opened);
    if (source == kNoFile) continue;
    batch->current = file;
    file->ready = CompressOpenFile(state, batch, file, source);
    CloseFile(source);
  }
  ReleaseFixedMemory(batch->contents);
  batch->contents = nullptr;
}

// Whether a compression ahead pays for `source`: a file that is deflated on
// one thread anyway. An empty file costs nothing to add.
bool WorthCompressingAhead(const Source& source) {
  return !source.isFolder && source.size != 0 && source.size <= kSegmentSize &&
         ChooseMethod(source.entryName.c_str()) == kMethodDeflated;
}

// Counts the file's room as given back: its data is no longer used, and
// goes with its batch.
void ReleaseData(AheadPlan* plan, AheadFile* file) {
  plan->bytesAhead -= file->room;
  file->room = 0;
}

// Waits until the batch's job has run, or takes it back and runs it on the
// caller's thread when no worker has begun it.
void FinishBatch(AheadPlan* plan, AheadBatch* batch) {
  if (TakeBackSideJob(plan->workers, &batch->job)) {
    batch->job.run(plan->state, &batch->job);
    return;
  }
  while (!JobDone(&batch->job)) AwaitSideJobs(plan->workers, kWaitingInterval);
}

// Releases a batch whose job has run, with every file's data.
void FreeBatch(AheadPlan* plan, AheadBatch* batch) {
  for (uint32_t i = 0; i < batch->count; ++i) ReleaseData(plan, &batch->files[i]);
  ReleaseFixedMemory(batch->data);
  ReleaseFixedMemory(batch);
}

// Stops and releases every compression ahead; later adds are added as usual.
void EndPlan(AheadPlan* plan) {
  plan->ended = true;
  plan->stop.store(true, std::memory_order_relaxed);
  ReleaseTaken(plan);
  for (AheadBatch* batch : plan->batches) {
    FinishBatch(plan, batch);
    FreeBatch(plan, batch);
  }
  plan->batches.clear();
}

bool SameSource(const Source& planned, const char* entryName, const char* path, const FileIdentity* listed) {
  return entryName != nullptr && planned.entryName == entryName && planned.path == path &&
         (listed == nullptr || *listed == planned.identity);
}

// A batch of the next files worth compressing ahead, as many as fit; null
// when none is left or there is no room or memory.
AheadBatch* NextBatch(AheadPlan* plan) {
  AheadBatch* batch = nullptr;
  uint64_t bytes = 0;
  while (plan->considered < plan->sources.size() && bytes < kBatchBytes &&
         (batch == nullptr || batch->count < kBatchFiles)) {
    const Source& source = plan->sources[plan->considered];
    if (!WorthCompressingAhead(source)) {
      ++plan->considered;
      continue;
    }
    const uint32_t room = OutputRoom(source.size);
    if (plan->bytesAhead + room > kMostBytesAhead) break;
    if (batch == nullptr) {
      batch = static_cast<AheadBatch*>(AllocateFixedMemory(sizeof(AheadBatch)));
      if (batch == nullptr) return nullptr;
      batch->job.run = CompressBatch;
      batch->job.data = batch;
      batch->plan = plan;
    }
    AheadFile* file = &batch->files[batch->count++];
    file->index = plan->considered++;
    file->room = room;
    if (source.size > batch->longest) batch->longest = static_cast<uint32_t>(source.size);
    plan->bytesAhead += room;
    bytes += source.size;
  }
  if (batch == nullptr) return nullptr;
  // One block for the data of all the batch's files, made and released on
  // the caller's thread.
  uint64_t rooms = 0;
  for (uint32_t i = 0; i < batch->count; ++i) rooms += batch->files[i].room;
  batch->data = static_cast<uint8_t*>(AllocateFixedMemory(static_cast<size_t>(rooms)));
  if (batch->data == nullptr) {
    FreeBatch(plan, batch);
    return nullptr;
  }
  uint8_t* data = batch->data;
  for (uint32_t i = 0; i < batch->count; ++i) {
    batch->files[i].data = data;
    data += batch->files[i].room;
  }
  return batch;
}

// The batch that holds the plan's source `index` as the next file it gives
// out, or null when the source was not compressed ahead.
AheadBatch* BatchOf(AheadPlan* plan, size_t index) {
  if (plan->batches.empty()) return nullptr;
  AheadBatch* batch = plan->batches.front();
  return batch->files[batch->taken].index == index ? batch : nullptr;
}

}  // namespace

AheadPlan* NewAheadPlan(const Source* sources, size_t count, DosTimeZone zone) {
  auto* plan = new (std::nothrow) AheadPlan{};
  if (plan == nullptr) return nullptr;
  plan->sources.assign(sources, sources + count);
  plan->zone = zone;
  return plan;
}

void CompressAhead(AheadPlan* plan, EntryCompressors* compressors) {
  if (plan == nullptr || plan->ended) return;
  DeflateWorkers* workers = CompressorWorkers(compressors);
  if (workers == nullptr) return;
  plan->workers = workers;
  plan->state = compressors->state;
  if (plan->considered < plan->next) plan->considered = plan->next;
  const uint32_t most = kBatchesPerWorker * DeflateWorkerCount(workers);
  while (plan->batches.size() < most) {
    AheadBatch* batch = NextBatch(plan);
    if (batch == nullptr) return;
    if (!QueueSideJob(workers, &batch->job)) {
      FreeBatch(plan, batch);
      EndPlan(plan);
      return;
    }
    plan->batches.push_back(batch);
  }
}

const CompressedAhead* TakeAhead(AheadPlan* plan, EntryCompressors* compressors, const char* entryName,
                                 const char* path, const FileIdentity* listed, ReadReport report, void* reportContext,
                                 bool* cancelled) {
  *cancelled = false;
  if (plan == nullptr || plan->ended) return nullptr;
  ReleaseTaken(plan);
  if (plan->next >= plan->sources.size() || !SameSource(plan->sources[plan->next], entryName, path, listed)) {
    EndPlan(plan);
    return nullptr;
  }
  const size_t index = plan->next++;
  AheadBatch* batch = BatchOf(plan, index);
  // The workers go on with the next while this one is added.
  CompressAhead(plan, compressors);
  if (batch == nullptr) return nullptr;
  AheadFile* file = &batch->files[batch->taken++];
  // Not begun: rather than wait, the caller's thread adds the file itself,
  // as without a plan, and a worker takes the rest of the batch.
  if (TakeBackSideJob(plan->workers, &batch->job)) {
    batch->first = batch->taken;
    if (batch->first < batch->count && !QueueSideJob(plan->workers, &batch->job)) EndPlan(plan);
    return nullptr;
  }
  while (!JobDone(&batch->job)) {
    AwaitSideJobs(plan->workers, kWaitingInterval);
    if (!JobDone(&batch->job) && report != nullptr && !report(reportContext, 0)) {
      *cancelled = true;
      return nullptr;
    }
  }
  if (!file->ready) return nullptr;
  plan->given = file;
  return &file->result;
}

void ReleaseTaken(AheadPlan* plan) {
  if (plan == nullptr) return;
  if (plan->given != nullptr) ReleaseData(plan, plan->given);
  plan->given = nullptr;
  // A batch leaves once every file of it was given out.
  while (!plan->batches.empty() && plan->batches.front()->taken == plan->batches.front()->count) {
    FinishBatch(plan, plan->batches.front());
    FreeBatch(plan, plan->batches.front());
    plan->batches.pop_front();
  }
}

void ReleaseAheadPlan(AheadPlan* plan) {
  if (plan == nullptr) return;
  EndPlan(plan);
  delete plan;
}
