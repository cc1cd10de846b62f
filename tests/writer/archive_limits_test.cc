// The archive's limits, through the writer's face and the in-memory
// platform: no add can make a size or an offset wrap, an add that would take
// the archive past its largest size fails and is cut away, and the archive
// keeps the entries added before it. Tests ask for a small largest size to
// reach the limit with small files; the real limit is the same code with
// kLargestArchive.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"

namespace {

// Bytes an entry named `name` takes locally (header and data) and in the
// directory.
uint32_t LocalBytes(const std::string& name, uint32_t data) { return 30 + uint32_t(name.size()) + 17 + data; }
uint32_t CentralBytes(const std::string& name) { return 46 + uint32_t(name.size()) + 9; }
constexpr uint32_t kEndBytes = 22;

class ArchiveLimits : public FakePlatformTest {
 protected:
  void SetUp() override {
    FakePlatformTest::SetUp();
    Create(kLargestArchive);
  }
  void TearDown() override {
    CloseArchive(archive_);
    FakePlatformTest::TearDown();
  }
  // Starts the archive afresh, at most `largest` bytes long.
  void Create(uint32_t largest) {
    DiscardArchive(archive_);
    ArchiveOptions options;
    options.largestArchive = largest;
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_, options).code);
  }
  size_t OutputSize() { return fake::Contents("out.zip").size(); }
  // The add fails as one past the limit and leaves the output as it was.
  void ExpectTooLarge(const char* entryName, const char* path) {
    const size_t before = OutputSize();
    const ArchiveStatus status = AddFileToArchive(archive_, entryName, path);
    EXPECT_EQ(ArchiveTooLarge, status.code) << entryName;
    EXPECT_EQ(FailedArchiveLimit, status.reason) << entryName;
    EXPECT_TRUE(IsSourceFailure(status)) << entryName;
    EXPECT_EQ(before, OutputSize()) << entryName;
  }
  // The archive holds exactly `names`.
  void ExpectArchiveOf(const std::vector<std::string>& names) {
    ASSERT_EQ(ArchiveOk, CloseArchive(archive_).code);
    archive_ = nullptr;
    const ReadArchive read = ReadZip(fake::Contents("out.zip"));
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(names.size(), read.entries.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], read.entries[i].name);
  }

  ZipArchive* archive_ = nullptr;
};

TEST_F(ArchiveLimits, StoredSourcesWhoseSumWouldWrapPast4GiBAreRefusedBeforeAnyCopy) {
  // A small entry, then one that would end past 4 GiB: with 32-bit offsets
  // its end would wrap to a small number and the directory would land inside
  // the first entry's data.
  fake::PutFile("a.gz", RandomBytes(1 << 20, 1));
  fake::PutFile("b.gz", Text("x")).reportedSize = 0xFFFFFFFFull - (1 << 20);
  fake::PutFile("c.txt", WordText(3000, 2));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "a.gz", "a.gz").code);
  const size_t writesBefore = fake::Fake().writeSizes.size();
  const ArchiveStatus status = AddFileToArchive(archive_, "b.gz", "b.gz");
  EXPECT_EQ(ArchiveTooLarge, status.code);
  EXPECT_EQ(FailedArchiveLimit, status.reason);
  // The refusal involved no failing system call.
  EXPECT_EQ(0u, status.systemError);
  EXPECT_EQ(writesBefore, fake::Fake().writeSizes.size());
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "c.txt", "c.txt").code);
  ExpectArchiveOf({"a.gz", "c.txt"});
}

TEST_F(ArchiveLimits, AStoredSourceFitsExactlyUpToTheLimitWithItsDirectory) {
  const uint32_t data = 1000;
  fake::PutFile("a.gz", RandomBytes(data, 3));
  const uint32_t limit = LocalBytes("a.gz", data) + CentralBytes("a.gz") + kEndBytes;
  Create(limit - 1);
  ExpectTooLarge("a.gz", "a.gz");
  EXPECT_TRUE(fake::Contents("out.zip").empty());
  Create(limit);
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "a.gz", "a.gz").code);
  ExpectArchiveOf({"a.gz"});
  EXPECT_EQ(limit, fake::Contents("out.zip").size());
}

TEST_F(ArchiveLimits, DeflatedDataThatOutgrowsTheLimitIsCutAwayAndLaterAddsGoOn) {
  fake::PutFile("small.txt", WordText(2000, 4));
  fake::PutFile("noise.bin", RandomBytes(200000, 5));  // incompressible: about its own size
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "small.txt", "small.txt").code);
  const uint32_t limit = static_cast<uint32_t>(OutputSize()) + 100000;
  Create(limit);
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "small.txt", "small.txt").code);
  fake::Fake().writeSizes.clear();
  ExpectTooLarge("noise.bin", "noise.bin");
  // Nothing past the limit ever reached the output.
  EXPECT_GE(limit, *std::max_element(fake::Fake().writeSizes.begin(), fake::Fake().writeSizes.end()));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "again.txt", "small.txt").code);
  ExpectArchiveOf({"small.txt", "again.txt"});
}

TEST_F(ArchiveLimits, AStoredSourceThatGrowsWhileReadIsCutAwayAsChangedOrAtTheLimit) {
  Create(LocalBytes("first.gz", 300) + 20000);
  // Reported at open as 100 bytes, it holds 5000 by the time it is read: a
  // copy of a file that changed meanwhile is refused, whatever it holds.
  fake::PutFile("first.gz", RandomBytes(300, 5));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "first.gz", "first.gz").code);
  fake::PutFile("grows.gz", RandomBytes(5000, 6)).reportedSize = 100;
  const ArchiveStatus status = AddFileToArchive(archive_, "grows.gz", "grows.gz");
  EXPECT_EQ(ArchiveReadFailed, status.code);
  EXPECT_EQ(FailedSourceChanged, status.reason);
  // Growing past the limit while it is copied: cut away.
  fake::PutFile("grows2.gz", RandomBytes(50000, 7)).reportedSize = 100;
  ExpectTooLarge("grows2.gz", "grows2.gz");
  ExpectArchiveOf({"first.gz"});
}

TEST_F(ArchiveLimits, ASourceOfUnknownSizeIsCutAwayAtTheLimit) {
  Create(20000);
  fake::PutFile("pipe.gz", RandomBytes(30000, 8));
  // The position query of the add fails: the size is not known in advance.
  fake::Fake().faults.failPositionNumber = fake::Fake().calls.positions + 1;
  ExpectTooLarge("pipe.gz", "pipe.gz");
  EXPECT_EQ(0u, OutputSize());
  ExpectArchiveOf({});
}

TEST_F(ArchiveLimits, TheAddWhoseDirectoryWouldNotFitFailsAndTheArchiveStillCloses) {
  fake::PutFile("e", {});
  const uint32_t one = LocalBytes("e.gz", 0) + CentralBytes("e.gz");
  Create(2 * one + kEndBytes - 1);
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "e.gz", "e").code);
  // The second entry's data fits, but not its directory header with the end record.
  ExpectTooLarge("f.gz", "e");
  ExpectTooLarge("g.txt", "e");
  ExpectArchiveOf({"e.gz"});
}

// Above 65535 entries the end record's counts wrap; adding stays cheap,
// since an add no longer walks the entries before it.
TEST_F(ArchiveLimits, SeventyThousandEntriesAreAddedAndAllDescribed) {
  fake::PutFile("e", {});
  constexpr int kEntries = 70000;
  uint32_t directory = 0;
  for (int i = 0; i < kEntries; ++i) {
    const std::string name = "f" + std::to_string(i) + ".gz";
    ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, name.c_str(), "e").code);
    directory += CentralBytes(name);
  }
  ASSERT_EQ(ArchiveOk, CloseArchive(archive_).code);
  archive_ = nullptr;
  const std::vector<uint8_t>& bytes = fake::Contents("out.zip");
  const size_t end = bytes.size() - 22;
  EXPECT_EQ(kEntries - 65536, bytes[end + 10] | bytes[end + 11] << 8);
  const uint32_t directorySize = uint32_t{bytes[end + 12]} | uint32_t{bytes[end + 13]} << 8 |
                                 uint32_t{bytes[end + 14]} << 16 | uint32_t{bytes[end + 15]} << 24;
  EXPECT_EQ(directory, directorySize);
}

}  // namespace
