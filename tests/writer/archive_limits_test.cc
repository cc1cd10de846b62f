// The archive's limits, through the in-memory platform: no add can make a
// size or an offset wrap, an add that would take the archive past its limit
// fails and is cut away, and the archive keeps the entries added before it.
// Tests lower `outputLimit` to reach the limit with small files; the real
// limit is the same code with kLargestArchive.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"
#include "writer/output_channel.h"

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
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_));
    EXPECT_EQ(kLargestArchive, archive_->outputLimit);
  }
  void TearDown() override {
    if (archive_ != nullptr) CloseArchive(archive_);
    FakePlatformTest::TearDown();
  }
  // The archive holds exactly `names`, and its length is what was written.
  void ExpectArchiveOf(const std::vector<std::string>& names) {
    EXPECT_EQ(archive_->archiveOffset, fake::Contents("out.zip").size());
    EXPECT_EQ(archive_->archiveOffset, archive_->outputPosition);
    ASSERT_EQ(ArchiveOk, CloseArchive(archive_));
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
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "a.gz", "a.gz"));
  const uint32_t before = archive_->archiveOffset;
  const size_t writesBefore = fake::Fake().writeSizes.size();
  fake::Fake().lastFileError = fake::kInjectedError;  // an earlier failure, elsewhere
  EXPECT_EQ(ArchiveSeekFailed, AddFileToArchive(archive_, "b.gz", "b.gz"));
  EXPECT_EQ(writesBefore, fake::Fake().writeSizes.size());
  // The add starts afresh, and its refusal involved no failing system call.
  EXPECT_EQ(0u, LastFileError());
  EXPECT_EQ(FailedArchiveLimit, LastArchiveFailure(archive_).reason);
  EXPECT_TRUE(IsSourceFailure(LastArchiveFailure(archive_)));
  EXPECT_EQ(before, archive_->archiveOffset);
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "c.txt", "c.txt"));
  ExpectArchiveOf({"a.gz", "c.txt"});
}

TEST_F(ArchiveLimits, AStoredSourceFitsExactlyUpToTheLimitWithItsDirectory) {
  const uint32_t data = 1000;
  fake::PutFile("a.gz", RandomBytes(data, 3));
  archive_->outputLimit = LocalBytes("a.gz", data) + CentralBytes("a.gz") + kEndBytes - 1;
  EXPECT_EQ(ArchiveSeekFailed, AddFileToArchive(archive_, "a.gz", "a.gz"));
  EXPECT_TRUE(fake::Contents("out.zip").empty());
  archive_->outputLimit += 1;
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "a.gz", "a.gz"));
  const uint32_t limit = archive_->outputLimit;
  ExpectArchiveOf({"a.gz"});
  EXPECT_EQ(limit, fake::Contents("out.zip").size());
}

TEST_F(ArchiveLimits, DeflatedDataThatOutgrowsTheLimitIsCutAwayAndLaterAddsGoOn) {
  fake::PutFile("small.txt", WordText(2000, 4));
  fake::PutFile("noise.bin", RandomBytes(200000, 5));  // incompressible: about its own size
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "small.txt", "small.txt"));
  const uint32_t before = archive_->archiveOffset;
  archive_->outputLimit = before + 100000;
  EXPECT_EQ(ArchiveSeekFailed, AddFileToArchive(archive_, "noise.bin", "noise.bin"));
  EXPECT_EQ(before, archive_->archiveOffset);
  EXPECT_EQ(before, fake::Contents("out.zip").size());
  // Nothing past the limit ever reached the output.
  EXPECT_GE(archive_->outputLimit, *std::max_element(fake::Fake().writeSizes.begin(), fake::Fake().writeSizes.end()));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "again.txt", "small.txt"));
  ExpectArchiveOf({"small.txt", "again.txt"});
}

TEST_F(ArchiveLimits, AStoredSourceThatGrowsWhileReadIsCutAwayAsChangedOrAtTheLimit) {
  // Reported at open as 100 bytes, it holds 5000 by the time it is read: a
  // copy of a file that changed meanwhile is refused, whatever it holds.
  fake::PutFile("first.gz", RandomBytes(300, 5));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "first.gz", "first.gz"));
  fake::PutFile("grows.gz", RandomBytes(5000, 6)).reportedSize = 100;
  EXPECT_EQ(ArchiveReadFailed, AddFileToArchive(archive_, "grows.gz", "grows.gz"));
  EXPECT_EQ(FailedSourceChanged, LastArchiveFailure(archive_).reason);
  // Growing past the limit while it is copied: cut away.
  fake::PutFile("grows2.gz", RandomBytes(50000, 7)).reportedSize = 100;
  const uint32_t before = archive_->archiveOffset;
  archive_->outputLimit = before + 20000;
  EXPECT_EQ(ArchiveSeekFailed, AddFileToArchive(archive_, "grows2.gz", "grows2.gz"));
  EXPECT_EQ(before, archive_->archiveOffset);
  EXPECT_EQ(FailedArchiveLimit, LastArchiveFailure(archive_).reason);
  ExpectArchiveOf({"first.gz"});
}

TEST_F(ArchiveLimits, ASourceOfUnknownSizeIsCutAwayAtTheLimit) {
  fake::PutFile("pipe.gz", RandomBytes(30000, 8));
  archive_->outputLimit = 20000;
  // The position query of the add fails: the size is not known in advance.
  fake::Fake().faults.failPositionNumber = fake::Fake().calls.positions + 1;
  EXPECT_EQ(ArchiveSeekFailed, AddFileToArchive(archive_, "pipe.gz", "pipe.gz"));
  EXPECT_EQ(0u, archive_->archiveOffset);
  ExpectArchiveOf({});
}

TEST_F(ArchiveLimits, TheAddWhoseDirectoryWouldNotFitFailsAndTheArchiveStillCloses) {
  fake::PutFile("e", {});
  const uint32_t one = LocalBytes("e.gz", 0) + CentralBytes("e.gz");
  archive_->outputLimit = 2 * one + kEndBytes - 1;
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "e.gz", "e"));
  // The second entry's data fits, but not its directory header with the end record.
  EXPECT_EQ(ArchiveSeekFailed, AddFileToArchive(archive_, "f.gz", "e"));
  EXPECT_EQ(ArchiveSeekFailed, AddFileToArchive(archive_, "g.txt", "e"));
  ExpectArchiveOf({"e.gz"});
}

TEST_F(ArchiveLimits, WritesStopAtTheLimitWithoutWritingAByteOfTheRefusedOne) {
  archive_->outputLimit = 10;
  WriteBytes(archive_, "abcdefgh", 8);
  WriteBytes(archive_, "AB", 2);
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_EQ(10u, archive_->outputPosition);
  WriteBytes(archive_, "x", 1);
  EXPECT_EQ(ArchiveSeekFailed, archive_->errorCode);
  EXPECT_EQ(10u, fake::Contents("out.zip").size());
  EXPECT_EQ(10u, archive_->outputPosition);
  archive_->errorCode = ArchiveOk;
  ASSERT_TRUE(SeekOutput(archive_, 4));
  EXPECT_EQ(4u, archive_->outputPosition);
  WriteBytes(archive_, "123456", 6);  // overwriting within the limit is fine
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_EQ(Text("abcd123456"), fake::Contents("out.zip"));
}

// Stands in for a source that has already delivered almost 4 GiB when the
// next read comes: the count of bytes read must not wrap.
void ArriveNear4GiB(ZipArchive* archive, uint32_t bytesShort) {
  fake::Fake().beforeEachRead = [archive, bytesShort] {
    if (archive->bytesRead == 0) archive->bytesRead = static_cast<uint32_t>(kLargestSource - bytesShort);
  };
}

TEST_F(ArchiveLimits, ReadingMayReachButNotPass4GiB) {
  fake::PutFile("source", Text("0123456789"));
  archive_->source = OpenInputFile("source");
  archive_->flags |= OwnsSource;
  archive_->bytesRead = static_cast<uint32_t>(kLargestSource - 9);
  uint8_t buffer[16];
  EXPECT_EQ(0u, ReadSource(archive_, buffer, sizeof buffer));
  EXPECT_EQ(ArchiveBadArgument, archive_->errorCode);
  EXPECT_EQ(static_cast<uint32_t>(kLargestSource - 9), archive_->bytesRead);
  EXPECT_EQ(0u, archive_->crc32);

  archive_->errorCode = ArchiveOk;
  fake::PutFile("source", Text("0123456789"));
  CloseFile(archive_->source);
  archive_->source = OpenInputFile("source");
  archive_->bytesRead = static_cast<uint32_t>(kLargestSource - 10);
  EXPECT_EQ(10u, ReadSource(archive_, buffer, sizeof buffer));
  EXPECT_EQ(ArchiveOk, archive_->errorCode);
  EXPECT_EQ(0xFFFFFFFFu, archive_->bytesRead);
}

TEST_F(ArchiveLimits, SourcesThatGrowTo4GiBWhileReadAreRefusedAndCutAway) {
  fake::PutFile("first.txt", WordText(500, 9));
  fake::PutFile("zeros.txt", std::vector<uint8_t>(100000, 0));
  fake::PutFile("zeros.gz", std::vector<uint8_t>(100000, 0));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "first.txt", "first.txt"));
  const uint32_t before = archive_->archiveOffset;
  ArriveNear4GiB(archive_, 50000);
  EXPECT_EQ(ArchiveBadArgument, AddFileToArchive(archive_, "zeros.txt", "zeros.txt"));  // deflated
  EXPECT_EQ(before, archive_->archiveOffset);
  EXPECT_EQ(ArchiveBadArgument, AddFileToArchive(archive_, "zeros.gz", "zeros.gz"));  // stored
  EXPECT_EQ(before, archive_->archiveOffset);
  // Exactly 4 GiB - 1 bytes in all still fits the size fields (the file
  // says it holds that many, or its copy would be taken for a torn one).
  ArriveNear4GiB(archive_, 100000);
  fake::Fake().files["zeros.txt"].reportedSize = kLargestSource;
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "full.txt", "zeros.txt"));
  fake::Fake().beforeEachRead = nullptr;
  ASSERT_EQ(ArchiveOk, CloseArchive(archive_));
  archive_ = nullptr;
  // The strict reader would inflate 100000 bytes against a size of 4 GiB - 1;
  // check the records instead.
  const std::vector<uint8_t>& bytes = fake::Contents("out.zip");
  const size_t second = before;
  auto u32 = [&bytes](size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
  };
  EXPECT_EQ(0x04034B50u, u32(second));
  EXPECT_EQ(0xFFFFFFFFu, u32(second + 22));  // uncompressed size
}

// Above 65535 entries the end record's counts wrap; adding stays cheap,
// since an add no longer walks the entries before it.
TEST_F(ArchiveLimits, SeventyThousandEntriesAreAddedAndAllDescribed) {
  fake::PutFile("e", {});
  constexpr int kEntries = 70000;
  uint32_t directory = 0;
  for (int i = 0; i < kEntries; ++i) {
    const std::string name = "f" + std::to_string(i) + ".gz";
    ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, name.c_str(), "e"));
    directory += CentralBytes(name);
  }
  EXPECT_EQ(directory, archive_->directorySize);
  ASSERT_EQ(ArchiveOk, CloseArchive(archive_));
  archive_ = nullptr;
  const std::vector<uint8_t>& bytes = fake::Contents("out.zip");
  const size_t end = bytes.size() - 22;
  EXPECT_EQ(kEntries - 65536, bytes[end + 10] | bytes[end + 11] << 8);
}

}  // namespace
