// The real platform layer of this build (POSIX natively, Win32 under Wine)
// against real files.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/support/test_files.h"

namespace {

struct OpenedFile {
  FileHandle handle;
  explicit OpenedFile(FileHandle h) : handle(h) {}
  ~OpenedFile() { CloseFile(handle); }
};

bool WriteAll(FileHandle file, const std::vector<uint8_t>& bytes) {
  uint32_t written = 0;
  return WriteToFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &written) && written == bytes.size();
}

TEST(PlatformFiles, CreateReplacesAnOldFileAndWritesAtThePosition) {
  TempDir dir;
  const std::string path = dir.File("out.bin");
  WriteWholeFile(path, RandomBytes(5000, 1));
  {
    OpenedFile out(CreateOutputFile(path.c_str()));
    ASSERT_NE(kNoFile, out.handle);
    uint64_t size = 99;
    ASSERT_TRUE(QueryFileSize(out.handle, &size));
    EXPECT_EQ(0u, size);
    ASSERT_TRUE(WriteAll(out.handle, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(2u, SetFilePosition(out.handle, 2, SeekFromStart));
    ASSERT_TRUE(WriteAll(out.handle, {9, 9}));
    EXPECT_EQ(6u, SetFilePosition(out.handle, 0, SeekFromEnd));
    EXPECT_EQ(5u, SetFilePosition(out.handle, -1, SeekFromCurrent));
  }
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 9, 9, 5, 6}), ReadWholeFile(path));
}

TEST(PlatformFiles, TruncateCutsTheFileAtTheCurrentPosition) {
  TempDir dir;
  const std::string path = dir.File("cut.bin");
  {
    OpenedFile out(CreateOutputFile(path.c_str()));
    ASSERT_TRUE(WriteAll(out.handle, RandomBytes(70000, 2)));
    ASSERT_EQ(1000u, SetFilePosition(out.handle, 1000, SeekFromStart));
    ASSERT_TRUE(TruncateFileHere(out.handle));
    uint64_t size = 0;
    ASSERT_TRUE(QueryFileSize(out.handle, &size));
    EXPECT_EQ(1000u, size);
    ASSERT_TRUE(WriteAll(out.handle, {7}));
  }
  std::vector<uint8_t> expected = RandomBytes(1000, 2);
  expected.push_back(7);
  EXPECT_EQ(expected, ReadWholeFile(path));
}

TEST(PlatformFiles, PositionsBeforeTheStartFailAndLeaveThePositionAlone) {
  TempDir dir;
  OpenedFile out(CreateOutputFile(dir.File("p.bin").c_str()));
  ASSERT_TRUE(WriteAll(out.handle, {1, 2, 3}));
  EXPECT_EQ(kInvalidFilePosition, SetFilePosition(out.handle, -1, SeekFromStart));
  // A distance of 2 GiB or more arrives negative and fails the same way.
  EXPECT_EQ(kInvalidFilePosition, SetFilePosition(out.handle, static_cast<int32_t>(0x80000000u), SeekFromStart));
  EXPECT_EQ(3u, SetFilePosition(out.handle, 0, SeekFromCurrent));
}

#ifndef _WIN32
// The POSIX side moves first and moves back when the position does not fit;
// SetFilePointer refuses such a move by itself.
TEST(PlatformFiles, PositionsPast32BitsFailAndLeaveThePositionAlone) {
  TempDir dir;
  const std::string path = dir.File("large.bin");
  WriteWholeFile(path, {1});
  std::filesystem::resize_file(path, 0x100000010ull);  // sparse: 4 GiB and 16 bytes
  OpenedFile in(OpenInputFile(path.c_str()));
  ASSERT_NE(kNoFile, in.handle);
  ASSERT_EQ(10u, SetFilePosition(in.handle, 10, SeekFromStart));
  EXPECT_EQ(kInvalidFilePosition, SetFilePosition(in.handle, 0, SeekFromEnd));
  EXPECT_EQ(kInvalidFilePosition, SetFilePosition(in.handle, -16, SeekFromEnd));  // 4 GiB exactly
  EXPECT_EQ(10u, SetFilePosition(in.handle, 0, SeekFromCurrent));
  EXPECT_EQ(0x7FFFFFF9u, SetFilePosition(in.handle, 0x7FFFFFEF, SeekFromCurrent));
  EXPECT_EQ(0xFFFFFFF8u, SetFilePosition(in.handle, 0x7FFFFFFF, SeekFromCurrent));
  EXPECT_EQ(kInvalidFilePosition, SetFilePosition(in.handle, 7, SeekFromCurrent));
  EXPECT_EQ(0xFFFFFFF8u, SetFilePosition(in.handle, 0, SeekFromCurrent));
}
#endif

TEST(PlatformFiles, ReadsReturnWhatIsThereAndZeroAtTheEnd) {
  TempDir dir;
  const std::string path = dir.File("in.bin");
  const std::vector<uint8_t> contents = RandomBytes(100, 3);
  WriteWholeFile(path, contents);
  OpenedFile in(OpenInputFile(path.c_str()));
  ASSERT_NE(kNoFile, in.handle);
  uint8_t buffer[256];
  uint32_t count = 0;
  ASSERT_TRUE(ReadFromFile(in.handle, buffer, 60, &count));
  EXPECT_EQ(60u, count);
  ASSERT_TRUE(ReadFromFile(in.handle, buffer + 60, 196, &count));
  EXPECT_EQ(40u, count);
  EXPECT_EQ(0, memcmp(buffer, contents.data(), 100));
  ASSERT_TRUE(ReadFromFile(in.handle, buffer, 196, &count));
  EXPECT_EQ(0u, count);
}

TEST(PlatformFiles, MissingFilesAndDirectoriesDoNotOpenForReadingAndSayWhy) {
  TempDir dir;
  uint32_t error = 0;
  EXPECT_EQ(kNoFile, OpenInputFile(dir.File("missing.txt").c_str(), nullptr, &error));
  EXPECT_NE(0u, error);
  EXPECT_NE(kNotPlainFileError, error);
  // A call that succeeds leaves the caller's error alone.
  WriteWholeFile(dir.File("there.txt"), {1});
  uint32_t untouched = 12345;
  OpenedFile there(OpenInputFile(dir.File("there.txt").c_str(), nullptr, &untouched));
  EXPECT_NE(kNoFile, there.handle);
  EXPECT_EQ(12345u, untouched);
  error = 0;
  EXPECT_EQ(kNoFile, OpenInputFile(dir.path().c_str(), nullptr, &error));
  EXPECT_EQ(kNotPlainFileError, error);
  error = 0;
  EXPECT_EQ(kNoFile, CreateOutputFile(dir.File("no-such-folder/out.zip").c_str(), &error));
  EXPECT_NE(0u, error);
}

// Devices and pipes open like files but could be read without end, or keep
// the open or a read waiting forever; only plain files are sources.
TEST(PlatformFiles, OnlyPlainFilesOpenForReadingAndNothingWaits) {
#ifdef _WIN32
  for (const char* device : {"NUL", "CON", "\\\\.\\NUL"}) {
    uint32_t error = 0;
    EXPECT_EQ(kNoFile, OpenInputFile(device, nullptr, &error)) << device;
    EXPECT_NE(0u, error) << device;
  }
  const char* pipeName = "\\\\.\\pipe\\zapnest-platform-test";
  HANDLE server = CreateNamedPipeA(pipeName, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, server);
  EXPECT_EQ(kNoFile, OpenInputFile(pipeName));  // a pipe whose server never writes
  CloseHandle(server);
#else
  TempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  EXPECT_EQ(kNoFile, OpenInputFile(fifo.c_str()));  // no writer: a blocking open would wait forever
  for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/null"}) {
    EXPECT_EQ(kNoFile, OpenInputFile(device)) << device;
  }
  // A link to a plain file is fine, and reads block as usual once open.
  WriteWholeFile(dir.File("plain.txt"), {1, 2, 3});
  ASSERT_EQ(0, symlink(dir.File("plain.txt").c_str(), dir.File("link.txt").c_str()));
  OpenedFile linked(OpenInputFile(dir.File("link.txt").c_str()));
  ASSERT_NE(kNoFile, linked.handle);
  EXPECT_EQ(0, fcntl(static_cast<int>(reinterpret_cast<intptr_t>(linked.handle) - 1), F_GETFL) & O_NONBLOCK);
#endif
}

TEST(PlatformFiles, ANewOutputFileIsNeverOneThatExists) {
  TempDir dir;
  const std::string path = dir.File("new.tmp");
  WriteWholeFile(path, {1, 2, 3});
  uint32_t error = 0;
  EXPECT_EQ(kNoFile, CreateNewOutputFile(path.c_str(), &error));
  EXPECT_NE(0u, error);
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadWholeFile(path));
#ifndef _WIN32
  // Not even through a link, dangling or not: its target stays as it was.
  ASSERT_EQ(0, symlink(path.c_str(), dir.File("link").c_str()));
  ASSERT_EQ(0, symlink(dir.File("nowhere").c_str(), dir.File("dangling").c_str()));
  EXPECT_EQ(kNoFile, CreateNewOutputFile(dir.File("link").c_str()));
  EXPECT_EQ(kNoFile, CreateNewOutputFile(dir.File("dangling").c_str()));
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), ReadWholeFile(path));
  std::error_code existsError;
  EXPECT_FALSE(std::filesystem::exists(dir.File("nowhere"), existsError));
#endif
  const std::string fresh = dir.File("fresh.tmp");
  {
    OpenedFile out(CreateNewOutputFile(fresh.c_str()));
    ASSERT_NE(kNoFile, out.handle);
    ASSERT_TRUE(WriteAll(out.handle, {4, 5}));
  }
  EXPECT_EQ((std::vector<uint8_t>{4, 5}), ReadWholeFile(fresh));
}

TEST(PlatformFiles, ReadersShareButTheOutputIsSharedWithNobody) {
  TempDir dir;
  const std::string path = dir.File("shared.bin");
  WriteWholeFile(path, {1, 2, 3});
  OpenedFile first(OpenInputFile(path.c_str()));
  OpenedFile second(OpenInputFile(path.c_str()));
  EXPECT_NE(kNoFile, first.handle);
  EXPECT_NE(kNoFile, second.handle);
#ifdef _WIN32
  // Windows enforces share modes: a file being written cannot be read, which
  // is what keeps a folder's zip out of the zip of that folder.
  const std::string zip = dir.File("being-written.zip");
  OpenedFile out(CreateOutputFile(zip.c_str()));
  ASSERT_NE(kNoFile, out.handle);
  EXPECT_EQ(kNoFile, OpenInputFile(zip.c_str()));
#endif
}

TEST(PlatformFileInfo, AFreshFileIsWritableWithTheArchiveBitAndItsSize) {
  TempDir dir;
  const std::string path = dir.File("fresh.txt");
  WriteWholeFile(path, RandomBytes(1234, 4));
  OpenedFile in(OpenInputFile(path.c_str()));
  FileInfo info{};
  ASSERT_TRUE(QueryFileInfo(in.handle, &info));
  EXPECT_EQ(FileArchive, info.attributes & (FileArchive | FileReadOnly | FileDirectory));
  EXPECT_EQ(1234u, info.size);
  const FileTime now = CurrentUtcFileTime();
  const FileTime aMinute = 60 * kFileTimeTicksPerSecond;
  EXPECT_LT(info.lastWriteTime, now + aMinute);
  EXPECT_GT(info.lastWriteTime, now - aMinute);
  EXPECT_LE(info.creationTime, info.lastWriteTime + aMinute);
}

TEST(PlatformFileInfo, ReportsReadOnlyAndTheExactTimesThatWereSet) {
  TempDir dir;
  const std::string path = dir.File("old.txt");
  WriteWholeFile(path, {1});
  // 1999-12-31 23:59:58.5 UTC and 2001-02-03 04:05:06 UTC.
  const FileTime written = 125911583985000000ull;
  const FileTime accessed = 126256467060000000ull;
  // The times are set after the open: under Wine, the file-type check of the
  // open counts as an access.
  OpenedFile in(OpenInputFile(path.c_str()));
  SetFileTimes(path, written, accessed);
  SetReadOnly(path, true);
  FileInfo info{};
  ASSERT_TRUE(QueryFileInfo(in.handle, &info));
  EXPECT_EQ(FileReadOnly, info.attributes & FileReadOnly);
  EXPECT_EQ(written, info.lastWriteTime);
  EXPECT_EQ(accessed, info.lastAccessTime);
}

// What lets the writer see a file rewritten behind its back although its
// size and last write time are as they were.
TEST(PlatformFileInfo, ARewriteWithItsLastWriteTimePutBackStillMovesTheChangeTime) {
  TempDir dir;
  const std::string path = dir.File("rewritten.txt");
  WriteWholeFile(path, RandomBytes(5000, 5));
  const FileTime written = 125911583985000000ull;  // 1999-12-31 23:59:58.5 UTC
  SetFileTimes(path, written, written);
  FileInfo before{};
  CloseFile(OpenInputFile(path.c_str(), &before));
  const FileTime aMinute = 60 * kFileTimeTicksPerSecond;
  EXPECT_GT(before.changeTime, CurrentUtcFileTime() - aMinute);
  EXPECT_LT(before.changeTime, CurrentUtcFileTime() + aMinute);
  // File systems take the change time from a clock that may step only every
  // few milliseconds: the rewrite must come later than one step.
  const FileTime later = before.changeTime + 50 * kFileTimeTicksPerSecond / 1000;
  for (int wait = 0; wait < 200 && CurrentUtcFileTime() < later; ++wait) {
#ifdef _WIN32
    Sleep(5);
#else
    usleep(5000);
#endif
  }

  WriteWholeFile(path, RandomBytes(5000, 6));
  SetFileTimes(path, written, written);
  FileInfo after{};
  OpenedFile in(OpenInputFile(path.c_str(), &after));
  EXPECT_EQ(before.size, after.size);
  EXPECT_EQ(written, after.lastWriteTime);
  EXPECT_GT(after.changeTime, before.changeTime);
  FileInfo queried{};
  ASSERT_TRUE(QueryFileInfo(in.handle, &queried));
  EXPECT_EQ(after.changeTime, queried.changeTime);
}

TEST(PlatformClock, TheUtcClockAgreesWithTheCLibrary) {
  const int64_t before = static_cast<int64_t>(time(nullptr));
  const FileTime now = CurrentUtcFileTime();
  const int64_t after = static_cast<int64_t>(time(nullptr));
  const int64_t seconds = static_cast<int64_t>((now - kUnixEpochFileTime) / kFileTimeTicksPerSecond);
  EXPECT_GE(seconds, before);
  // time() may read a coarser clock that lags a few milliseconds behind, so
  // across a second's boundary it can still show the second before.
  EXPECT_LE(seconds, after + 1);
}

TEST(PlatformMemory, FixedBlocksComeZeroFilled) {
  const size_t size = 300000;
  auto* block = static_cast<uint8_t*>(AllocateFixedMemory(size));
  ASSERT_NE(nullptr, block);
  for (size_t i = 0; i < size; ++i) ASSERT_EQ(0, block[i]) << i;
  memset(block, 0xAB, size);
  ReleaseFixedMemory(block);
  ReleaseFixedMemory(nullptr);
}

}  // namespace
