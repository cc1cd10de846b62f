// An in-memory stand-in for the platform layer, linked into the tests, the
// benchmark and the fuzz target in place of the real one. Files live in memory; every call can be made to fail
// on its Nth use, and the calls and live allocations are counted, so tests
// can prove what a failure leaves behind.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

struct File {
  std::vector<uint8_t> bytes;
  FileInfo info{FileArchive, 0, 0, 0, 0, {}, 0};  // size is taken from `bytes`, identity from its place
  uint64_t reportedSize = 0;                      // when not 0, the size queries report this instead
  uint32_t readLimit = 0;                         // when not 0, a read returns at most this many bytes
  bool open = false;
};

// Call numbers start at 1 and count every call of that kind since Reset; 0
// means no failure is planned.
struct FaultPlan {
  int failCreateNumber = 0;
  int failOpenNumber = 0;
  int failWriteNumber = 0;   // the write call fails, writing nothing
  int shortWriteNumber = 0;  // the write call succeeds but writes one byte less
  int failReadNumber = 0;
  int failPositionNumber = 0;  // SetFilePosition
  int failTruncateNumber = 0;
  int failInfoNumber = 0;  // QueryFileInfo, and OpenInputFile's look when it describes the file
  int failAllocationNumber = 0;
  // Free space: writes past this many bytes of any one file are cut short,
  // as on a full disk. UINT64_MAX for none.
  uint64_t diskCapacity = UINT64_MAX;
};

struct CallCounts {
  int creates = 0;
  int opens = 0;
  int writes = 0;
  int reads = 0;
  int positions = 0;
  int truncates = 0;
  int infos = 0;
  int allocations = 0;
};

// What a call reports after a failure the plan injected, after a write that
// found the disk full, for a name that names no file, and for an output
// that is open already.
constexpr uint32_t kInjectedError = 0xFA11;
constexpr uint32_t kDiskFullError = 28;
constexpr uint32_t kNotFoundError = 2;
constexpr uint32_t kSharingError = 32;

struct State {
  std::map<std::string, File> files;
  std::map<std::string, FileInfo> folders;  // identity taken from the place
  FaultPlan faults;
  CallCounts calls;
  std::vector<uint32_t> writeSizes;  // length asked of every write call
  std::vector<uint32_t> readSizes;   // capacity asked of every read call
  int openHandles = 0;
  int liveAllocations = 0;
  FileTime utcNow = 0;
  int64_t localOffsetTicks = 0;  // local time minus UTC
  // Called before every read, for tests that must stand in for what a long
  // read would have done by then.
  std::function<void()> beforeEachRead;
};

// The one process-wide fake; Reset before each test.
State& Fake();
void Reset();

// Adds or replaces a file with the given contents, writable, archive bit set.
File& PutFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t>& Contents(const std::string& path);

}  // namespace fake
