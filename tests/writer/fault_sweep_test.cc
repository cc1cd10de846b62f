// Every write, read, reposition and allocation of a small archive's life,
// failed one at a time: whatever fails, the archive on disk holds exactly
// the entries whose add succeeded, or close says it failed.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "tests/support/fake_platform.h"
#include "tests/support/test_data.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"

namespace {

const std::map<std::string, std::vector<uint8_t>>& Sources() {
  static const std::map<std::string, std::vector<uint8_t>> sources = {
      {"notes.txt", WordText(6000, 1)},
      {"photo.zip", RandomBytes(20000, 2)},
      // Deflated in several blocks: the random part fills blocks by itself.
      {"big.dat", Bytes({WordText(20000, 3), RandomBytes(40000, 4), std::vector<uint8_t>(3000, 7)})},
      {"empty.txt", {}},
      {"tiny.gz", Text("z")},
  };
  return sources;
}

const std::set<int32_t> kResultCodes = {0, 1, 2, 3, 7, 9, 13, 16};

enum class Fault { Write, ShortWrite, Read, Position, Allocation, WriteWithoutCut };

// Runs the archive's whole life with the Nth call of one kind failing.
// Returns false once N is past the calls the life makes.
bool RunWithFault(Fault fault, int n) {
  fake::Reset();
  for (const auto& [name, bytes] : Sources()) fake::PutFile("src/" + name, bytes);
  fake::FaultPlan& plan = fake::Fake().faults;
  switch (fault) {
    case Fault::Write: plan.failWriteNumber = n; break;
    case Fault::ShortWrite: plan.shortWriteNumber = n; break;
    case Fault::Read: plan.failReadNumber = n; break;
    case Fault::Position: plan.failPositionNumber = n; break;
    case Fault::Allocation: plan.failAllocationNumber = n; break;
    case Fault::WriteWithoutCut:
      plan.failWriteNumber = n;
      plan.failTruncateNumber = 1;
      break;
  }
  const std::string context = "fault " + std::to_string(static_cast<int>(fault)) + " at call " + std::to_string(n);

  ZipArchive* archive = nullptr;
  const int32_t created = CreateArchiveOnFile("out.zip", &archive).code;
  EXPECT_TRUE(kResultCodes.count(created)) << context;
  std::vector<std::string> added;
  if (created == ArchiveOk) {
    for (const auto& [name, bytes] : Sources()) {
      const int32_t result = AddFileToArchive(archive, name.c_str(), ("src/" + name).c_str()).code;
      EXPECT_TRUE(kResultCodes.count(result)) << context << ": " << result;
      if (result == ArchiveOk) added.push_back(name);
    }
    const int32_t closed = CloseArchive(archive).code;
    EXPECT_TRUE(kResultCodes.count(closed)) << context << ": " << closed;
    if (closed == ArchiveOk) {
      const ReadArchive read = ReadZip(fake::Contents("out.zip"));
      EXPECT_TRUE(read.ok) << context << ": " << read.error;
      std::vector<std::string> names;
      for (const ReadEntry& entry : read.entries) {
        names.push_back(entry.name);
        EXPECT_EQ(Sources().at(entry.name), entry.data) << context << ": " << entry.name;
      }
      EXPECT_EQ(added, names) << context;
    }
  }
  EXPECT_EQ(0, fake::Fake().liveAllocations) << context;
  EXPECT_EQ(0, fake::Fake().openHandles) << context;

  const fake::CallCounts& calls = fake::Fake().calls;
  switch (fault) {
    case Fault::Write:
    case Fault::ShortWrite:
    case Fault::WriteWithoutCut: return n <= calls.writes;
    case Fault::Read: return n <= calls.reads;
    case Fault::Position: return n <= calls.positions;
    case Fault::Allocation: return n <= calls.allocations;
  }
  return false;
}

TEST(FaultSweep, EveryFailingCallLeavesAValidArchiveOrAFailedClose) {
  for (Fault fault :
       {Fault::Write, Fault::ShortWrite, Fault::Read, Fault::Position, Fault::Allocation, Fault::WriteWithoutCut}) {
    int n = 1;
    while (RunWithFault(fault, n)) ++n;
    EXPECT_GT(n, 3) << "fault " << static_cast<int>(fault) << " was never reached";
  }
}

}  // namespace
