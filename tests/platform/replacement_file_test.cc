// The file an archive is written to before it takes the target's place:
// unnamed while it is written, private to its owner, named without
// replacing anything, and given the target's permissions only once it is
// complete. POSIX: real files in a real folder.
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/file_errors.h"
#include "platform/file_replacement.h"
#include "platform/platform.h"
#include "platform/unnamed_file.h"
#include "tests/support/test_files.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

bool WriteAll(FileHandle file, const std::vector<uint8_t>& bytes) {
  uint32_t written = 0;
  return WriteToFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &written) && written == bytes.size();
}

mode_t ModeOf(const std::string& path) {
  struct stat status;
  EXPECT_EQ(0, stat(path.c_str(), &status)) << path;
  return status.st_mode & 07777;
}

size_t EntriesIn(const std::string& folder) {
  size_t count = 0;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    static_cast<void>(item);
    ++count;
  }
  return count;
}

// An unnamed file of the folder, or a skipped test where its file system
// has none.
#define CREATE_UNNAMED_OR_SKIP(file, folder)                                              \
  bool unsupported = false;                                                               \
  uint32_t createError = 0;                                                               \
  FileHandle file = CreateUnnamedFile(folder, &unsupported, &createError);                \
  if (file == kNoFile && unsupported) GTEST_SKIP() << "no unnamed files in " << (folder); \
  ASSERT_NE(kNoFile, file) << DescribeFileError(createError)

TEST(UnnamedFile, IsInvisibleAndPrivateUntilItIsNamed) {
  TempDir dir;
  CREATE_UNNAMED_OR_SKIP(file, dir.path());
  ASSERT_TRUE(WriteAll(file, Bytes("the archive\n")));
  EXPECT_EQ(0u, EntriesIn(dir.path()));
  struct stat status;
  ASSERT_EQ(0, fstat(static_cast<int>(reinterpret_cast<intptr_t>(file) - 1), &status));
  EXPECT_EQ(static_cast<mode_t>(0600), status.st_mode & 07777);
  uint32_t error = 0;
  ASSERT_TRUE(NameUnnamedFile(file, dir.File("named.tmp"), &error)) << DescribeFileError(error);
  CloseFile(file);
  EXPECT_EQ(Bytes("the archive\n"), ReadWholeFile(dir.File("named.tmp")));
  EXPECT_EQ(static_cast<mode_t>(0600), ModeOf(dir.File("named.tmp")));
}

TEST(UnnamedFile, ClosedWithoutANameLeavesNothing) {
  TempDir dir;
  CREATE_UNNAMED_OR_SKIP(file, dir.path());
  ASSERT_TRUE(WriteAll(file, Bytes("never finished")));
  CloseFile(file);
  EXPECT_EQ(0u, EntriesIn(dir.path()));
}

TEST(UnnamedFile, IsNeverNamedOverAnExistingFileOrLink) {
  TempDir dir;
  WriteWholeFile(dir.File("taken.tmp"), Bytes("someone else's\n"));
  WriteWholeFile(dir.File("victim.txt"), Bytes("precious\n"));
  ASSERT_EQ(0, symlink(dir.File("victim.txt").c_str(), dir.File("link.tmp").c_str()));
  ASSERT_EQ(0, symlink(dir.File("nowhere.txt").c_str(), dir.File("dangling.tmp").c_str()));
  CREATE_UNNAMED_OR_SKIP(file, dir.path());
  ASSERT_TRUE(WriteAll(file, Bytes("the archive\n")));
  for (const char* name : {"taken.tmp", "link.tmp", "dangling.tmp"}) {
    uint32_t error = 0;
    EXPECT_FALSE(NameUnnamedFile(file, dir.File(name), &error)) << name;
    EXPECT_TRUE(IsAlreadyExistsError(error)) << name << ": " << DescribeFileError(error);
  }
  CloseFile(file);
  EXPECT_EQ(Bytes("someone else's\n"), ReadWholeFile(dir.File("taken.tmp")));
  EXPECT_EQ(Bytes("precious\n"), ReadWholeFile(dir.File("victim.txt")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("nowhere.txt")));
}

TEST(UnnamedFile, FailsWithTheReasonWhenTheFolderCannotHoldIt) {
  bool unsupported = true;
  uint32_t error = 0;
  EXPECT_EQ(kNoFile, CreateUnnamedFile("/nonexistent-folder-of-zapnest", &unsupported, &error));
  EXPECT_FALSE(unsupported);
  EXPECT_EQ(static_cast<uint32_t>(ENOENT), error);
}

// The file written under a temporary name where there are no unnamed files
// is as private as an unnamed one.
TEST(ReplacementFile, ANamedTemporaryFileIsPrivateWhateverTheUmask) {
  TempDir dir;
  const mode_t mask = umask(0);
  FileHandle file = CreateNewOutputFile(dir.File("named.tmp").c_str());
  umask(mask);
  ASSERT_NE(kNoFile, file);
  CloseFile(file);
  EXPECT_EQ(static_cast<mode_t>(0600), ModeOf(dir.File("named.tmp")));
}

TEST(ReplacementFile, ANewArchiveGetsTheModeOfAFileCreatedAnew) {
  TempDir dir;
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{027}, mode_t{0}}) {
    const std::string path = dir.File("file.tmp");
    FileHandle file = CreateNewOutputFile(path.c_str());
    ASSERT_NE(kNoFile, file);
    const mode_t previous = umask(mask);
    GiveReplacementPermissions(file, dir.File("missing.zip"));
    umask(previous);
    CloseFile(file);
    EXPECT_EQ(0666 & ~mask, ModeOf(path)) << std::oct << mask;
    ASSERT_EQ(0, unlink(path.c_str()));
  }
}

TEST(ReplacementFile, AReplacementGetsTheTargetsModeOwnerAndGroup) {
  TempDir dir;
  const std::string target = dir.File("old.zip");
  WriteWholeFile(target, Bytes("old"));
  for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0604}, mode_t{0755}}) {
    ASSERT_EQ(0, chmod(target.c_str(), mode));
    FileHandle file = CreateNewOutputFile(dir.File("new.tmp").c_str());
    ASSERT_NE(kNoFile, file);
    GiveReplacementPermissions(file, target);
    CloseFile(file);
    EXPECT_EQ(mode, ModeOf(dir.File("new.tmp"))) << std::oct << mode;
    ASSERT_EQ(0, unlink(dir.File("new.tmp").c_str()));
  }
  if (geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  ASSERT_EQ(0, chown(target.c_str(), 65534, 65534));
  ASSERT_EQ(0, chmod(target.c_str(), 0640));
  FileHandle file = CreateNewOutputFile(dir.File("new.tmp").c_str());
  ASSERT_NE(kNoFile, file);
  GiveReplacementPermissions(file, target);
  CloseFile(file);
  struct stat status;
  ASSERT_EQ(0, stat(dir.File("new.tmp").c_str(), &status));
  EXPECT_EQ(65534u, status.st_uid);
  EXPECT_EQ(65534u, status.st_gid);
  EXPECT_EQ(static_cast<mode_t>(0640), status.st_mode & 07777);
}

// Where an archive named through links is written: at the end of the chain,
// whether that exists or not, each link's text read from its own folder.
TEST(OutputResolution, LinksAreFollowedToTheirEndLiveOrDangling) {
  TempDir dir;
  ASSERT_EQ(0, mkdir(dir.File("kept").c_str(), 0755));
  WriteWholeFile(dir.File("kept/live.zip"), Bytes("old"));
  ASSERT_EQ(0, symlink("kept/live.zip", dir.File("live.zip").c_str()));
  ASSERT_EQ(0, symlink("kept/middle.zip", dir.File("chain.zip").c_str()));
  ASSERT_EQ(0, symlink("../kept/dangling.zip", dir.File("kept/middle.zip").c_str()));
  ASSERT_EQ(0, symlink(dir.File("kept/absolute.zip").c_str(), dir.File("absolute.zip").c_str()));
  const std::map<std::string, std::string> expected = {
      {"plain.zip", dir.File("plain.zip")},
      {"live.zip", dir.File("kept/live.zip")},
      {"chain.zip", dir.File("kept/../kept/dangling.zip")},
      {"absolute.zip", dir.File("kept/absolute.zip")},
  };
  for (const auto& [name, target] : expected) {
    std::string resolved;
    uint32_t error = 0;
    EXPECT_EQ(OutputResolved, ResolveOutput(dir.File(name), &resolved, &error)) << name;
    EXPECT_EQ(target, resolved) << name;
  }
}

TEST(OutputResolution, ALoopOrAChainTooLongIsRefused) {
  TempDir dir;
  ASSERT_EQ(0, symlink("b.zip", dir.File("a.zip").c_str()));
  ASSERT_EQ(0, symlink("a.zip", dir.File("b.zip").c_str()));
  std::string resolved;
  uint32_t error = 0;
  EXPECT_EQ(OutputLinkUnfollowable, ResolveOutput(dir.File("a.zip"), &resolved, &error));
  EXPECT_EQ(static_cast<uint32_t>(ELOOP), error);
  // 40 links are followed, as the kernel follows them; the 41st is not.
  for (int i = 0; i < 41; ++i) {
    ASSERT_EQ(
        0, symlink(("c" + std::to_string(i + 1) + ".zip").c_str(), dir.File("c" + std::to_string(i) + ".zip").c_str()));
  }
  EXPECT_EQ(OutputResolved, ResolveOutput(dir.File("c1.zip"), &resolved, &error));
  EXPECT_EQ(dir.File("c41.zip"), resolved);
  EXPECT_EQ(OutputLinkUnfollowable, ResolveOutput(dir.File("c0.zip"), &resolved, &error));
}

// The writer on a file it does not own: it leaves the handle open after
// the directory, for the caller to finish the file through it.
TEST(ReplacementFile, AnArchiveWrittenOnAnUnnamedFileIsCompleteOnceNamed) {
  TempDir dir;
  WriteWholeFile(dir.File("a.txt"), Bytes("first\n"));
  CREATE_UNNAMED_OR_SKIP(file, dir.path());
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnHandle(file, &archive).code);
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive, "a.txt", dir.File("a.txt").c_str()).code);
  ASSERT_EQ(ArchiveOk, CloseArchive(archive).code);
  uint64_t size = 0;
  ASSERT_TRUE(QueryFileSize(file, &size));  // still open
  EXPECT_LT(0u, size);
  uint32_t error = 0;
  ASSERT_TRUE(NameUnnamedFile(file, dir.File("out.zip"), &error)) << DescribeFileError(error);
  CloseFile(file);
  const ReadArchive read = ReadZip(ReadWholeFile(dir.File("out.zip")));
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(1u, read.entries.size());
  EXPECT_EQ(Bytes("first\n"), read.entries[0].data);

  ZipArchive* none = nullptr;
  const ArchiveStatus status = CreateArchiveOnHandle(kNoFile, &none);
  EXPECT_EQ(ArchiveBadArgument, status.code);
  EXPECT_EQ(FailedNoOutput, status.reason);
  EXPECT_EQ(nullptr, none);
}

}  // namespace
