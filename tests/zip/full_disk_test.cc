// Writing onto a really full disk. scripts/test mounts a small tmpfs and
// names a folder on it in ZAPNEST_FULL_DISK_DIR (a drive letter under Wine);
// without it the test is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "zip/archive.h"
#include "zip/output_channel.h"

namespace {

TEST(FullDisk, WritesFailStickilyAndCloseWritesNoDirectory) {
  const char* folder = std::getenv("ZAPNEST_FULL_DISK_DIR");
  if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "ZAPNEST_FULL_DISK_DIR is not set";
  std::string path = folder;
  if (path.back() != '/' && path.back() != '\\') path += '/';
  path += "full.zip";

  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive));
  const std::vector<uint8_t> block(kIoBufferSize, 0xA5);
  uint64_t written = 0;
  for (int i = 0; i < 4096 && archive->errorCode == ArchiveOk; ++i) {
    WriteBytes(archive, block.data(), kIoBufferSize);
    if (archive->errorCode == ArchiveOk) written += kIoBufferSize;
  }
  ASSERT_EQ(ArchiveWriteFailed, archive->errorCode) << "the disk never filled up";

  uint64_t sizeAtFailure = 0;
  ASSERT_TRUE(QueryFileSize(archive->output, &sizeAtFailure));
  EXPECT_GE(sizeAtFailure, written);
  // Room freed elsewhere does not matter: the failure is sticky.
  WriteU32(archive, 0x06054B50);
  WriteBytes(archive, block.data(), 1);
  uint64_t sizeAfter = 0;
  ASSERT_TRUE(QueryFileSize(archive->output, &sizeAfter));
  EXPECT_EQ(sizeAtFailure, sizeAfter);
  EXPECT_EQ(ArchiveWriteFailed, CloseArchive(archive));
  std::remove(path.c_str());
}

}  // namespace
