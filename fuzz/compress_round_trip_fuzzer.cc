// Round trip of the compressor: each input becomes the contents of an entry,
// CompressEntry deflates it and zlib inflates it again, which must give back
// exactly the contents. Any broken promise of CompressEntry aborts.
//
// The product reuses an archive's DeflateState for every entry, so each
// entry starts from whatever the previous one left behind. Each input
// therefore gets an archive of its own with three entries: the contents from
// a fresh state, then another entry (the predecessor), then the contents
// again, which must give the same bytes as the first time: the output may
// depend on the contents only. The predecessor is the contents reversed and
// a little longer, so the window, the hash chains and the bytes beyond the
// contents' end all hold something else. A fresh archive per input keeps
// every failure reproducible from its input alone.
//
// Last, the same archive compresses the contents a fourth time with the plain
// reference search (tests/support/reference_compressor.h), which walks the
// 3-byte hash chain candidate by candidate. CompressEntry's faster search,
// with its chains on longer prefixes, promises the very same matches, so the
// bytes must equal those of the first entry.
//
// The first byte of an input chooses how the rest becomes the contents, so
// that small inputs also reach window slides and short reads:
//   bits 0-1  0 and 3: the rest as it is; 1: the rest repeated; 2: the rest
//             repeated with each copy's bytes raised by the copy's number,
//             which leaves near matches instead of one long match
//   bits 2-3  for the repeated shapes, the length beyond the rest's own,
//             from kRepeatedLengths: each a little below a point where the
//             window fills or slides (half a window, a window, and the
//             second and third slides), so the rest's length moves the end
//             of the contents across it
//   bit 4     short reads: every read call returns at most kReadLimits
//             indexed by bits 5-7 (a file read in pieces, which the platform
//             layer's contract allows)
// An empty input, or one of just the first byte, is an empty entry.
#define ZLIB_CONST
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "deflate/compress_entry.h"
#include "platform/platform.h"
#include "tests/support/fake_platform.h"
#include "tests/support/reference_compressor.h"
#include "writer/archive.h"
#include "zip/entry_name.h"
#include "zip/zip_archive.h"
#include "zip/zip_entry.h"

namespace {

constexpr size_t kRepeatedLengths[4] = {32000, 64000, 97000, 129000};
constexpr uint32_t kReadLimits[8] = {1, 3, 100, 262, 1000, 4095, 16384, 40000};
constexpr uint16_t kDeflatedAtLevel8 = 0x0002;
// More than a longest match, so stale bytes lie beyond the end of any
// contents that a match search may compare.
constexpr uint32_t kPredecessorExtraLength = 300;

// Which of an input's compressions is running, for the failure message.
const char* currentStep = "";

[[noreturn]] void Fail(const char* what) {
  fprintf(stderr, "compress_round_trip_fuzzer: %s: %s\n", currentStep, what);
  abort();
}

struct EntryPlan {
  std::vector<uint8_t> contents;
  uint32_t readLimit = UINT32_MAX;
};

EntryPlan PlanEntry(const uint8_t* data, size_t size) {
  EntryPlan plan;
  if (size == 0) return plan;
  const uint8_t selector = data[0];
  const uint8_t* rest = data + 1;
  const size_t restSize = size - 1;
  if ((selector & 0x10) != 0) plan.readLimit = kReadLimits[selector >> 5];

  const uint32_t shape = selector & 0x03u;
  if (restSize == 0 || shape == 0 || shape == 3) {
    plan.contents.assign(rest, rest + restSize);
    return plan;
  }
  const size_t length = restSize + kRepeatedLengths[(selector >> 2) & 0x03u];
  plan.contents.resize(length);
  for (size_t i = 0; i < length; ++i) {
    const size_t copy = i / restSize;
    const uint8_t raise = shape == 2 ? static_cast<uint8_t>(copy) : uint8_t{0};
    plan.contents[i] = static_cast<uint8_t>(rest[i % restSize] + raise);
  }
  return plan;
}

// The predecessor of the second compression of `plan`: see the top.
EntryPlan Predecessor(const EntryPlan& plan) {
  EntryPlan predecessor;
  predecessor.contents.assign(plan.contents.rbegin(), plan.contents.rend());
  for (uint32_t i = 0; i < kPredecessorExtraLength; ++i) {
    predecessor.contents.push_back(static_cast<uint8_t>(i * 37));
  }
  predecessor.readLimit = plan.readLimit;
  return predecessor;
}

// Writes an entry's data: the writer's own data step, WriteEntryData, or
// WriteEntryDataWithReference.
using DataStep = void (*)(ZipArchive*, ZipEntry*);

// WriteEntryData with the plain reference search in place of CompressEntry:
// the archive's counters start from nothing, as the writer starts them.
void WriteEntryDataWithReference(ZipArchive* archive, ZipEntry* entry) {
  archive->bytesRead = 0;
  archive->crc32 = 0;
  archive->compressedSize = 0;
  archive->errorCode = ArchiveOk;
  ReferenceCompressEntry(archive, entry);
}

// Compresses `plan` as the next entry of `archive` through `dataStep`, and
// checks what the compressor promises about the archive's counters. The
// deflate data is left alone in the in-memory output.
void CompressNextEntry(ZipArchive* archive, const EntryPlan& plan, DataStep dataStep, const char* step) {
  currentStep = step;
  fake::Contents("fuzz.zip").clear();
  SetFilePosition(archive->output, 0, SeekFromStart);
  archive->sourceSize = static_cast<uint32_t>(plan.contents.size());
  fake::PutFile("source", plan.contents).readLimit = plan.readLimit;
  archive->source = OpenInputFile("source");

  ZipEntry entry{};
  entry.method = kMethodDeflated;
  dataStep(archive, &entry);
  CloseFile(archive->source);
  archive->source = kNoFile;

  if (archive->errorCode != ArchiveOk) Fail("CompressEntry left an error code");
  if (archive->bytesRead != plan.contents.size()) Fail("bytesRead is not the size of the contents");
  const uLong expectedCrc = crc32_z(0, plan.contents.data(), plan.contents.size());
  if (archive->crc32 != expectedCrc) Fail("crc32 differs from zlib's CRC-32 of the contents");
  if (archive->compressedSize != fake::Contents("fuzz.zip").size()) {
    Fail("compressedSize differs from the number of bytes written");
  }
  if ((entry.gpFlags & kDeflatedAtLevel8) == 0) Fail("the entry's gpFlags do not mark level 8");
}

// Inflates `deflated` with zlib as a raw deflate stream and requires exactly
// `expected`, with the stream's end at the last byte.
void RequireInflatesTo(const std::vector<uint8_t>& deflated, const std::vector<uint8_t>& expected) {
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) Fail("inflateInit2 failed");
  // One byte more than expected, so that surplus output shows.
  std::vector<uint8_t> inflated(expected.size() + 1);
  stream.next_in = deflated.data();
  stream.avail_in = static_cast<uInt>(deflated.size());
  stream.next_out = inflated.data();
  stream.avail_out = static_cast<uInt>(inflated.size());
  const int status = inflate(&stream, Z_FINISH);
  const char* message = stream.msg;
  const uLong produced = stream.total_out;
  const uInt left = stream.avail_in;
  inflateEnd(&stream);

  if (status == Z_DATA_ERROR) {
    fprintf(stderr, "compress_round_trip_fuzzer: %s: zlib says: %s\n", currentStep,
            message != nullptr ? message : "(no message)");
    Fail("zlib rejects the deflate stream");
  }
  if (produced > expected.size()) Fail("the stream inflates to more bytes than the contents");
  if (status != Z_STREAM_END) Fail("the stream ends before its final block is complete");
  if (left != 0) Fail("bytes follow the end of the deflate stream");
  if (produced != expected.size()) Fail("the stream inflates to fewer bytes than the contents");
  if (!expected.empty() && memcmp(inflated.data(), expected.data(), expected.size()) != 0) {
    Fail("the stream inflates to other bytes than the contents");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The in-memory platform records every read; without a fresh start each
  // run, its record grows until the fuzzer runs out of memory.
  fake::Reset();
  const EntryPlan plan = PlanEntry(data, size);
  ZipArchive* archive = nullptr;
  if (CreateArchiveOnFile("fuzz.zip", &archive) != ArchiveOk) Fail("cannot create the archive");

  CompressNextEntry(archive, plan, WriteEntryData, "first entry");
  const std::vector<uint8_t> deflated = fake::Contents("fuzz.zip");
  RequireInflatesTo(deflated, plan.contents);

  const EntryPlan predecessor = Predecessor(plan);
  CompressNextEntry(archive, predecessor, WriteEntryData, "second entry (the predecessor)");
  RequireInflatesTo(fake::Contents("fuzz.zip"), predecessor.contents);

  CompressNextEntry(archive, plan, WriteEntryData, "third entry (the first again)");
  if (fake::Contents("fuzz.zip") != deflated) {
    Fail("the same contents compressed again, after another entry, give other bytes");
  }

  CompressNextEntry(archive, plan, WriteEntryDataWithReference, "fourth entry (the first, by the reference search)");
  if (fake::Contents("fuzz.zip") != deflated) {
    Fail("the plain reference search gives other bytes than CompressEntry");
  }

  // Keeps the central directory out of the output; it is of no interest here.
  archive->errorCode = ArchiveWriteFailed;
  CloseArchive(archive);
  return 0;
}
