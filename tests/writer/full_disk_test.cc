// Writing onto a really full disk. scripts/test mounts a small tmpfs and
// names a folder on it in ZAPNEST_FULL_DISK_DIR (a drive letter under Wine);
// without it the test is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/channel_fixture.h"
#include "tests/support/test_files.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"

namespace {

std::string PathOnFullDisk(const char* name) {
  const char* folder = std::getenv("ZAPNEST_FULL_DISK_DIR");
  if (folder == nullptr || *folder == '\0') return "";
  std::string path = folder;
  if (path.back() != '/' && path.back() != '\\') path += '/';
  return path + name;
}

TEST(FullDisk, WritesFailStickily) {
  const std::string path = PathOnFullDisk("full.zip");
  if (path.empty()) GTEST_SKIP() << "ZAPNEST_FULL_DISK_DIR is not set";

  OutputChannel* channel = NewChannelOn(path);
  ASSERT_NE(nullptr, channel);
  const std::vector<uint8_t> block(kIoBufferSize, 0xA5);
  uint64_t written = 0;
  for (int i = 0; i < 4096 && channel->errorCode == ArchiveOk; ++i) {
    WriteBytes(channel, block.data(), kIoBufferSize);
    if (channel->errorCode == ArchiveOk) written += kIoBufferSize;
  }
  EXPECT_EQ(ArchiveWriteFailed, channel->errorCode) << "the disk never filled up";

  uint64_t sizeAtFailure = 0;
  EXPECT_TRUE(QueryFileSize(channel->output, &sizeAtFailure));
  EXPECT_GE(sizeAtFailure, written);
  // Room freed elsewhere does not matter: the failure is sticky.
  WriteBytes(channel, "PK\x05\x06", 4);
  WriteBytes(channel, block.data(), 1);
  uint64_t sizeAfter = 0;
  EXPECT_TRUE(QueryFileSize(channel->output, &sizeAfter));
  EXPECT_EQ(sizeAtFailure, sizeAfter);
  ReleaseChannel(channel);
  std::remove(path.c_str());
}

TEST(FullDisk, AddsThatDoNotFitAreCutAwayAndTheRestIsAValidArchive) {
  const std::string path = PathOnFullDisk("parts.zip");
  if (path.empty()) GTEST_SKIP() << "ZAPNEST_FULL_DISK_DIR is not set";
  TempDir sources;
  std::vector<std::string> names;
  for (int i = 0; i < 5; ++i) names.push_back("part" + std::to_string(i) + ".zip");  // stored: 300 KB each
  names.push_back("small.txt");
  for (size_t i = 0; i < names.size(); ++i) {
    WriteWholeFile(sources.File(names[i]),
                   i + 1 < names.size() ? RandomBytes(300000, static_cast<uint32_t>(i)) : WordText(20000, 9));
  }

  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive).code);
  std::vector<std::string> added;
  int failures = 0;
  for (const std::string& name : names) {
    const int32_t result = AddFileToArchive(archive, name.c_str(), sources.File(name).c_str()).code;
    if (result == ArchiveOk) {
      added.push_back(name);
    } else {
      EXPECT_EQ(ArchiveWriteFailed, result) << name;
      ++failures;
    }
  }
  ASSERT_EQ(ArchiveOk, CloseArchive(archive).code);
  EXPECT_GT(failures, 0) << "the disk never filled up";
  ASSERT_FALSE(added.empty());
  EXPECT_EQ("small.txt", added.back()) << "a file that fits is added after one that did not";

  const ReadArchive read = ReadZip(ReadWholeFile(path));
  ASSERT_TRUE(read.ok) << read.error;
  std::vector<std::string> namesRead;
  for (const ReadEntry& entry : read.entries) {
    namesRead.push_back(entry.name);
    EXPECT_EQ(ReadWholeFile(sources.File(entry.name)), entry.data) << entry.name;
  }
  EXPECT_EQ(added, namesRead);
  std::remove(path.c_str());
}

}  // namespace
