// Creating and closing archives on real files.
#include "writer/archive.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_data.h"
#include "tests/support/test_files.h"
#include "tests/support/zip_reader.h"

namespace {

TEST(CreateArchive, StartsAnEmptyArchiveThatReplacesAnOldFile) {
  TempDir dir;
  const std::string path = dir.File("new.zip");
  WriteWholeFile(path, RandomBytes(1000, 9));
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive).code);
  ASSERT_NE(nullptr, archive);
  EXPECT_EQ(ArchiveOk, CloseArchive(archive).code);
  EXPECT_EQ(22u, ReadWholeFile(path).size());
}

TEST(CreateArchive, FailsWithoutWritingWhenTheFileCannotBeCreated) {
  TempDir dir;
  ZipArchive* archive = reinterpret_cast<ZipArchive*>(&dir);
  EXPECT_EQ(ArchiveOpenFailed, CreateArchiveOnFile(dir.File("missing/out.zip").c_str(), &archive).code);
  EXPECT_EQ(nullptr, archive);
}

TEST(CloseArchive, RefusesANullArchive) { EXPECT_EQ(ArchiveBadArgument, CloseArchive(nullptr).code); }

// Sparse files of several GiB take no disk space and are read quickly,
// natively and under Wine: the stored path against the real limits.
TEST(LargeSources, StoredFilesPastTheLimitsAreRefusedAndTheArchiveStaysTrue) {
  TempDir dir;
  const std::vector<uint8_t> first = RandomBytes(1 << 20, 11);
  const std::vector<uint8_t> last = WordText(5000, 12);
  WriteWholeFile(dir.File("a.gz"), first);
  WriteWholeFile(dir.File("c.txt"), last);
  // Beside a.gz it would end past 4 GiB, where 32-bit offsets wrap.
  WriteWholeFile(dir.File("b.gz"), {});
  std::filesystem::resize_file(dir.File("b.gz"), 0xFFFFFFFFull - (1 << 20));
  // Alone it would end past 2 GiB, where the header can no longer be rewritten.
  WriteWholeFile(dir.File("d.gz"), {});
  std::filesystem::resize_file(dir.File("d.gz"), 0x80000000ull - 4096);
  WriteWholeFile(dir.File("huge.txt"), {});
  std::filesystem::resize_file(dir.File("huge.txt"), 0x100000000ull);

  const std::string path = dir.File("out.zip");
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive).code);
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive, "a.gz", dir.File("a.gz").c_str()).code);
  EXPECT_EQ(ArchiveTooLarge, AddFileToArchive(archive, "b.gz", dir.File("b.gz").c_str()).code);
  EXPECT_EQ(ArchiveTooLarge, AddFileToArchive(archive, "d.gz", dir.File("d.gz").c_str()).code);
  EXPECT_EQ(ArchiveSourceTooLarge, AddFileToArchive(archive, "huge.txt", dir.File("huge.txt").c_str()).code);
  ASSERT_EQ(ArchiveOk, AddFileToArchive(archive, "c.txt", dir.File("c.txt").c_str()).code);
  ASSERT_EQ(ArchiveOk, CloseArchive(archive).code);

  const ReadArchive read = ReadZip(ReadWholeFile(path));
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(2u, read.entries.size());
  EXPECT_EQ("a.gz", read.entries[0].name);
  EXPECT_EQ(first, read.entries[0].data);
  EXPECT_EQ("c.txt", read.entries[1].name);
  EXPECT_EQ(last, read.entries[1].data);
}

}  // namespace
