// Why an add fails, beside its code, and sources that change while they are
// read, through the writer's face alone: through the in-memory platform, so that a file can be cut short,
// extended or rewritten between two reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"
#include "zip/entry_name.h"

namespace {

class FailureReasons : public FakePlatformTest {
 protected:
  void SetUp() override {
    FakePlatformTest::SetUp();
    Create({});
  }
  void Create(const ArchiveOptions& options) {
    if (archive_ != nullptr) DiscardArchive(archive_);
    fake::Reset();
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_, options).code);
    fake::PutFile("first.txt", WordText(400, 1));
    ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "first.txt", "first.txt").code);
  }
  void TearDown() override {
    fake::Fake().beforeEachRead = nullptr;
    if (archive_ != nullptr) CloseArchive(archive_);
    FakePlatformTest::TearDown();
  }
  // The add of `path` fails with `code` for `reason`, and the archive still
  // holds exactly what it held; returns the status.
  ArchiveStatus ExpectRefused(const char* path, ArchiveResult code, FailureReason reason) {
    const size_t before = fake::Contents("out.zip").size();
    const ArchiveStatus status = AddFileToArchive(archive_, path, path);
    EXPECT_EQ(code, status.code) << path;
    EXPECT_EQ(reason, status.reason) << path;
    EXPECT_EQ(before, fake::Contents("out.zip").size()) << path;
    return status;
  }
  void ExpectOnlyTheFirstEntry() {
    ASSERT_EQ(ArchiveOk, CloseArchive(archive_).code);
    archive_ = nullptr;
    const ReadArchive read = ReadZip(fake::Contents("out.zip"));
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(1u, read.entries.size());
    EXPECT_EQ("first.txt", read.entries[0].name);
  }

  ZipArchive* archive_ = nullptr;
};

// A file another program cut short, extended or rewrote while it was read
// (also with its last write time put back) would enter the archive as a mix
// of two states, with a CRC that matches the mix: the add fails instead,
// stored or deflated.
TEST_F(FailureReasons, ASourceThatShrinksGrowsOrIsRewrittenWhileReadIsCutAway) {
  const std::vector<uint8_t> contents = RandomBytes(100000, 2);
  for (const char* name : {"data.bin", "data.gz"}) {
    fake::PutFile(name, contents);
    // The first read looks for a program header; the data follows.
    int reads = 0;
    fake::Fake().beforeEachRead = [&reads, name] {
      if (++reads == 3) fake::Contents(name).resize(20000);  // truncated after the first data read
    };
    ExpectRefused(name, ArchiveReadFailed, FailedSourceChanged);

    fake::PutFile(name, contents);
    reads = 0;
    fake::Fake().beforeEachRead = [&reads, name] {
      if (++reads == 3) fake::Contents(name).resize(200000, 7);  // appended to
    };
    ExpectRefused(name, ArchiveReadFailed, FailedSourceChanged);

    // Same size, new bytes: only its last write time tells.
    fake::PutFile(name, contents);
    reads = 0;
    fake::Fake().beforeEachRead = [&reads, name] {
      if (++reads == 3) fake::Fake().files[name].info.lastWriteTime = 12345;
    };
    ExpectRefused(name, ArchiveReadFailed, FailedSourceChanged);

    // Same size, new bytes, the last write time put back: only its change
    // time tells.
    fake::PutFile(name, contents).info.changeTime = 1000;
    reads = 0;
    fake::Fake().beforeEachRead = [&reads, name] {
      if (++reads != 3) return;
      fake::Contents(name)[10] ^= 0xFF;
      fake::Fake().files[name].info.changeTime = 2000;
    };
    EXPECT_TRUE(IsSourceFailure(ExpectRefused(name, ArchiveReadFailed, FailedSourceChanged)));
    fake::Fake().beforeEachRead = nullptr;
  }
  ExpectOnlyTheFirstEntry();
}

TEST_F(FailureReasons, AnUnchangedSourceReadToItsEndIsAdded) {
  fake::PutFile("same.txt", WordText(3000, 3));
  // Reads that touch nothing else leave the file as it was opened.
  fake::Fake().beforeEachRead = [] { fake::Fake().files["same.txt"].info.lastAccessTime += 1; };
  EXPECT_EQ(ArchiveOk, AddFileToArchive(archive_, "same.txt", "same.txt").code);
}

// Each reason tells what one code cannot: 1 is a missing file or a folder, 9
// a missing path or a name, and a source of 4 GiB has a code of its own.
TEST_F(FailureReasons, EachRefusalBeforeWritingKeepsItsOwnReason) {
  EXPECT_EQ(EntryNameOk, ExpectRefused("missing.txt", ArchiveOpenFailed, FailedSourceOpen).nameProblem);

  fake::PutFile("large.txt", Text("x")).reportedSize = 0x100000000ull;
  EXPECT_TRUE(IsSourceFailure(ExpectRefused("large.txt", ArchiveSourceTooLarge, FailedSourceTooLarge)));

  fake::PutFile("ok.txt", Text("fine"));
  ArchiveStatus status = AddFileToArchive(archive_, "../up.txt", "ok.txt");
  EXPECT_EQ(ArchiveBadArgument, status.code);
  EXPECT_EQ(FailedNameRefused, status.reason);
  EXPECT_EQ(EntryNameClimbs, status.nameProblem);
  EXPECT_EQ(0u, status.systemError);
  EXPECT_EQ(EntryNameDeviceName, AddFileToArchive(archive_, "con.txt", "ok.txt").nameProblem);

  status = AddFileToArchive(archive_, "x", nullptr);
  EXPECT_EQ(ArchiveBadArgument, status.code);
  EXPECT_EQ(FailedNoSourcePath, status.reason);
  EXPECT_FALSE(IsSourceFailure(status));
  EXPECT_EQ(FailedNoArchive, AddFileToArchive(nullptr, "x", "ok.txt").reason);
  EXPECT_EQ(FailedNoArchive, CloseArchive(nullptr).reason);
  ExpectOnlyTheFirstEntry();
}

TEST_F(FailureReasons, FailuresOfTheOutputAreNotTheSources) {
  fake::PutFile("next.txt", WordText(2000, 4));
  fake::Fake().faults.failWriteNumber = fake::Fake().calls.writes + 1;  // its one write, header and data
  ArchiveStatus failure = AddFileToArchive(archive_, "next.txt", "next.txt");
  EXPECT_EQ(ArchiveWriteFailed, failure.code);
  EXPECT_EQ(FailedOutputWrite, failure.reason);
  EXPECT_EQ(fake::kInjectedError, failure.systemError);
  EXPECT_FALSE(IsSourceFailure(failure));

  // The final header of an entry larger than the I/O buffer cannot be
  // written in place: the system could not move the output, which is no
  // limit of the archive.
  fake::PutFile("large.txt", RandomBytes(40000, 5));
  fake::Fake().faults.failPositionNumber = fake::Fake().calls.positions + 3;  // after two on the source
  failure = AddFileToArchive(archive_, "large.txt", "large.txt");
  EXPECT_EQ(ArchiveSeekFailed, failure.code);
  EXPECT_EQ(FailedOutputReposition, failure.reason);
  EXPECT_FALSE(IsSourceFailure(failure));

  fake::Fake().faults.failReadNumber = fake::Fake().calls.reads + 2;  // after the read of its head
  failure = AddFileToArchive(archive_, "next.txt", "next.txt");
  EXPECT_EQ(ArchiveReadFailed, failure.code);
  EXPECT_EQ(FailedSourceRead, failure.reason);
  EXPECT_TRUE(IsSourceFailure(failure));
}

TEST_F(FailureReasons, AClosingFailureIsToldByClose) {
  fake::Fake().faults.failWriteNumber = fake::Fake().calls.writes + 1;
  const ArchiveStatus failure = CloseArchive(archive_);
  archive_ = nullptr;
  EXPECT_EQ(ArchiveWriteFailed, failure.code);
  EXPECT_EQ(FailedOutputWrite, failure.reason);
  EXPECT_EQ(fake::kInjectedError, failure.systemError);
}

// A caller that shows progress may stop a long add at its next read: it is
// cut away, and its reason is no fault of the source.
TEST_F(FailureReasons, AReadReportThatAsksToStopEndsTheAddAtThatRead) {
  int reports = 0;
  ArchiveOptions options;
  options.readProgressContext = &reports;
  options.readProgress = [](void* context, uint32_t) { return ++*static_cast<int*>(context) != 3; };
  Create(options);
  for (const char* name : {"long.txt", "long.gz"}) {
    fake::PutFile(name, RandomBytes(200000, 5)).readLimit = 10000;
    reports = 0;
    const ArchiveStatus status = ExpectRefused(name, ArchiveCancelled, FailedCancelled);
    EXPECT_EQ(3, reports) << name;
    EXPECT_FALSE(IsSourceFailure(status));
  }
  ExpectOnlyTheFirstEntry();
}

// A listed file that another took the place of (a link to a secret, say)
// between the listing and the add is not read.
TEST_F(FailureReasons, AListedFileMustStillBeTheOneListed) {
  fake::PutFile("listed.txt", Text("what was listed"));
  FileInfo info{};
  FileHandle file = OpenInputFile("listed.txt", &info);
  ASSERT_NE(kNoFile, file);
  CloseFile(file);
  const FileIdentity listed = info.identity;
  EXPECT_EQ(ArchiveOk, AddListedFileToArchive(archive_, "listed.txt", "listed.txt", listed).code);

  fake::PutFile("secret.txt", Text("not listed"));
  const uint32_t writes = static_cast<uint32_t>(fake::Fake().calls.writes);
  const ArchiveStatus status = AddListedFileToArchive(archive_, "swapped.txt", "secret.txt", listed);
  EXPECT_EQ(ArchiveOpenFailed, status.code);
  EXPECT_EQ(FailedSourceNotListed, status.reason);
  EXPECT_TRUE(IsSourceFailure(status));
  EXPECT_EQ(writes, static_cast<uint32_t>(fake::Fake().calls.writes));
}

}  // namespace
