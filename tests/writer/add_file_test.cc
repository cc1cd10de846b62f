// Adding files, through the in-memory platform: offsets, sizes, the refusals
// that write nothing, and the cut that keeps an archive true after a failed
// add.
#include <gtest/gtest.h>

#include "platform/file_time.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"
#include "tests/support/test_data.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"
#include "zip/entry_name.h"

namespace {

class AddFile : public FakePlatformTest {
 protected:
  void SetUp() override {
    FakePlatformTest::SetUp();
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile("out.zip", &archive_).code);
  }
  void TearDown() override {
    if (archive_ != nullptr) CloseArchive(archive_);
    FakePlatformTest::TearDown();
  }
  // Closes the archive and reads it back.
  ReadArchive Finish(int32_t expected = ArchiveOk) {
    EXPECT_EQ(expected, CloseArchive(archive_).code);
    archive_ = nullptr;
    return ReadZip(fake::Contents("out.zip"));
  }
  size_t OutputSize() { return fake::Contents("out.zip").size(); }
  // Makes the first read after the next write fail, so that the add it
  // ends has part of itself in the output already.
  void FailAReadOnceTheAddHasWritten() {
    const int writes = fake::Fake().calls.writes;
    fake::Fake().beforeEachRead = [writes] {
      fake::State& fake = fake::Fake();
      if (fake.calls.writes > writes && fake.faults.failReadNumber == 0) {
        fake.faults.failReadNumber = fake.calls.reads + 1;
      }
    };
  }

  ZipArchive* archive_ = nullptr;
};

TEST_F(AddFile, EntriesFollowEachOtherAndTheOutputEndsAtTheArchiveOffset) {
  fake::PutFile("dir/first.zip", RandomBytes(1000, 1));
  fake::PutFile("second.txt", WordText(20000, 2));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "first.zip", "dir/first.zip").code);
  EXPECT_EQ(47u + 9 + 1000, OutputSize());
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "second.txt", "second.txt").code);
  const ReadArchive read = Finish();
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(2u, read.entries.size());
  EXPECT_EQ(0u, read.entries[0].localHeaderOffset);
  EXPECT_EQ(47u + 9 + 1000, read.entries[1].localHeaderOffset);
  EXPECT_EQ(0u, read.entries[0].method);
  EXPECT_EQ(0u, read.entries[0].flags);
  EXPECT_EQ(8u, read.entries[1].method);
  EXPECT_EQ(2u, read.entries[1].flags);
  EXPECT_EQ(WordText(20000, 2), read.entries[1].data);
}

TEST_F(AddFile, AFolderIsItsLocalHeaderAloneWrittenAtOnce) {
  FileInfo& folder = fake::Fake().folders["photos"];
  folder.lastWriteTime = UnixTimeToFileTime(1625142896, 0);
  folder.attributes = FileReadOnly;
  fake::Fake().folders["empty"] = FileInfo{};
  ASSERT_EQ(ArchiveOk, AddFolderToArchive(archive_, "trip/photos", "photos").code);
  EXPECT_EQ((std::vector<uint32_t>{30 + 12 + 17}), fake::Fake().writeSizes);
  ASSERT_EQ(ArchiveOk, AddFolderToArchive(archive_, "empty/", "empty").code);  // a '/' given is not doubled
  const ReadArchive read = Finish();
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(2u, read.entries.size());
  EXPECT_EQ("trip/photos/", read.entries[0].name);
  EXPECT_EQ(0u, read.entries[0].method);
  EXPECT_EQ(0u, read.entries[0].compressedSize);
  EXPECT_TRUE(read.entries[0].data.empty());
  EXPECT_EQ(1625142896, read.entries[0].modifyTime);
  // drwx------ beside the DOS folder bit, read-only: dr-x------.
  EXPECT_EQ(0x41400011u, read.entries[0].externalAttributes);
  EXPECT_EQ("empty/", read.entries[1].name);
  EXPECT_EQ(0x41C00010u, read.entries[1].externalAttributes);
}

TEST_F(AddFile, AFolderThatCannotBeAddedLeavesTheArchiveAsItWas) {
  fake::Fake().folders["f"] = FileInfo{};
  EXPECT_EQ(ArchiveOpenFailed, AddFolderToArchive(archive_, "missing", "missing").code);
  const ArchiveStatus tooLong = AddFolderToArchive(archive_, std::string(259, 'n').c_str(), "f");
  EXPECT_EQ(ArchiveBadArgument, tooLong.code);
  EXPECT_EQ(EntryNameTooLong, tooLong.nameProblem);
  EXPECT_EQ(EntryNameClimbs, AddFolderToArchive(archive_, "../up", "f").nameProblem);
  fake::Fake().faults.failWriteNumber = 1;
  EXPECT_EQ(ArchiveWriteFailed, AddFolderToArchive(archive_, "f", "f").code);
  EXPECT_EQ(0u, OutputSize());
  ASSERT_EQ(ArchiveOk, AddFolderToArchive(archive_, "f", "f").code);
  const ReadArchive read = Finish();
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(1u, read.entries.size());
  EXPECT_EQ("f/", read.entries[0].name);
}

TEST_F(AddFile, TheLastAddedEntryIsDescribedUntilTheNextSuccessfulAdd) {
  AddedEntry added{};
  EXPECT_FALSE(DescribeLastAdded(archive_, &added));
  EXPECT_FALSE(DescribeLastAdded(nullptr, &added));
  fake::PutFile("a.gz", RandomBytes(700, 3));
  fake::PutFile("b.txt", WordText(9000, 4));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "a.gz", "a.gz").code);
  ASSERT_TRUE(DescribeLastAdded(archive_, &added));
  EXPECT_EQ(kMethodStored, added.method);
  EXPECT_EQ(700u, added.uncompressedSize);
  EXPECT_EQ(700u, added.compressedSize);
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "b.txt", "b.txt").code);
  EXPECT_EQ(ArchiveOpenFailed, AddFileToArchive(archive_, "c.txt", "missing").code);
  ASSERT_TRUE(DescribeLastAdded(archive_, &added));
  EXPECT_EQ(kMethodDeflated, added.method);
  EXPECT_EQ(9000u, added.uncompressedSize);
  const ReadArchive read = Finish();
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.entries[1].compressedSize, added.compressedSize);
}

TEST_F(AddFile, AnEmptyDeflatedFileIsTheEmptyFinalBlock) {
  fake::PutFile("empty.txt", {});
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "empty.txt", "empty.txt").code);
  const ReadArchive read = Finish();
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(0u, read.entries[0].crc32);
  EXPECT_EQ(2u, read.entries[0].compressedSize);
  EXPECT_TRUE(read.entries[0].data.empty());
}

TEST_F(AddFile, RefusalsWriteNothing) {
  fake::PutFile("a.txt", Text("abc"));
  EXPECT_EQ(ArchiveOpenFailed, AddFileToArchive(archive_, "missing.txt", "missing.txt").code);
  EXPECT_EQ(ArchiveBadArgument, AddFileToArchive(archive_, "a.txt", nullptr).code);
  EXPECT_EQ(ArchiveBadArgument, AddFileToArchive(archive_, "", "a.txt").code);
  EXPECT_EQ(ArchiveBadArgument, AddFileToArchive(archive_, std::string(260, 'n').c_str(), "a.txt").code);
  EXPECT_EQ(ArchiveBadArgument, AddFileToArchive(nullptr, "a.txt", "a.txt").code);
  fake::PutFile("huge.bin", Text("x")).reportedSize = 0x100000000ull;
  EXPECT_EQ(ArchiveSourceTooLarge, AddFileToArchive(archive_, "huge.bin", "huge.bin").code);
  fake::Fake().faults.failInfoNumber = fake::Fake().calls.infos + 1;
  EXPECT_EQ(ArchiveOpenFailed, AddFileToArchive(archive_, "a.txt", "a.txt").code);
  fake::Fake().faults.failAllocationNumber = fake::Fake().calls.allocations + 1;
  EXPECT_EQ(ArchiveNoMemory, AddFileToArchive(archive_, "a.txt", "a.txt").code);
  EXPECT_EQ(0u, OutputSize());
  EXPECT_EQ(0, fake::Fake().openHandles - 1);  // only the output is open
  const ReadArchive read = Finish();
  EXPECT_TRUE(read.ok) << read.error;
  EXPECT_TRUE(read.entries.empty());
}

TEST_F(AddFile, WithoutMemoryForTheCompressorTheEntryFailsAndTheNextOneTriesAgain) {
  fake::PutFile("a.txt", WordText(30000, 5));
  // The entry record first, then the compressor.
  fake::Fake().faults.failAllocationNumber = fake::Fake().calls.allocations + 2;
  const ArchiveStatus status = AddFileToArchive(archive_, "a.txt", "a.txt");
  EXPECT_EQ(ArchiveNoMemory, status.code);
  EXPECT_EQ(FailedNoMemory, status.reason);
  EXPECT_EQ(0u, OutputSize());
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "a.txt", "a.txt").code);
  const ReadArchive read = Finish();
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(1u, read.entries.size());
  EXPECT_EQ(kMethodDeflated, read.entries[0].method);
  EXPECT_EQ(0x0002, read.entries[0].flags & 0x0006) << "level 8";
  EXPECT_EQ(WordText(30000, 5), read.entries[0].data);
}

TEST_F(AddFile, ASourceThatCannotSayWhereItIsTakesTheClock) {
  fake::PutFile("a.zip", RandomBytes(300, 3));
  fake::Fake().utcNow = 133544529370000000ull;  // 2024-03-09 10:15:37 UTC
  fake::Fake().faults.failPositionNumber = fake::Fake().calls.positions + 1;
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "a.zip", "a.zip").code);
  const ReadArchive read = Finish();
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(1709979337, read.entries[0].modifyTime);
  EXPECT_EQ(0x80000000u, read.entries[0].externalAttributes);
  EXPECT_EQ(RandomBytes(300, 3), read.entries[0].data);
}

TEST_F(AddFile, AFailedAddIsCutAwayAndTheNextOneFollowsIt) {
  fake::PutFile("good.txt", WordText(5000, 4));
  fake::PutFile("bad.txt", RandomBytes(200000, 5));  // written from its first block on
  fake::PutFile("after.zip", RandomBytes(2000, 6));
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "good.txt", "good.txt").code);
  const size_t end = OutputSize();
  FailAReadOnceTheAddHasWritten();
  EXPECT_EQ(ArchiveReadFailed, AddFileToArchive(archive_, "bad.txt", "bad.txt").code);
  fake::Fake().beforeEachRead = nullptr;
  EXPECT_NE(0, fake::Fake().faults.failReadNumber);
  EXPECT_EQ(end, OutputSize());
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "after.zip", "after.zip").code);
  const ReadArchive read = Finish();
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(2u, read.entries.size());
  EXPECT_EQ("after.zip", read.entries[1].name);
  EXPECT_EQ(end, size_t{read.entries[1].localHeaderOffset});
}

TEST_F(AddFile, WhenTheCutFailsTheArchiveStaysFailed) {
  fake::PutFile("good.txt", WordText(5000, 4));
  fake::PutFile("bad.txt", RandomBytes(200000, 5));  // written from its first block on
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive_, "good.txt", "good.txt").code);
  FailAReadOnceTheAddHasWritten();
  fake::Fake().faults.failTruncateNumber = 1;
  EXPECT_EQ(ArchiveReadFailed, AddFileToArchive(archive_, "bad.txt", "bad.txt").code);
  fake::Fake().beforeEachRead = nullptr;
  // The failure sticks: every later add gives it at once.
  EXPECT_EQ(ArchiveReadFailed, AddFileToArchive(archive_, "good.txt", "good.txt").code);
  // Close writes no directory over the broken tail.
  const size_t broken = OutputSize();
  EXPECT_EQ(ArchiveReadFailed, CloseArchive(archive_).code);
  archive_ = nullptr;
  EXPECT_EQ(broken, OutputSize());
  EXPECT_FALSE(ReadZip(fake::Contents("out.zip")).ok);
}

}  // namespace
