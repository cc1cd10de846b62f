// Adds of a planned list of files on several threads: the files compressed
// ahead on the workers must give the very archive one thread writes, and
// every file that changed, was replaced or came out of order must be added
// as it is when its add comes, as without a plan.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "deflate/parallel_compressor.h"
#include "platform/file_status.h"
#include "platform/file_time.h"
#include "tests/support/test_data.h"
#include "tests/support/test_files.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"

namespace {

// A program's head: "MZ", and at the offset kept at 60 the signature `tag`.
std::vector<uint8_t> Program(uint32_t headerOffset, const char* tag, size_t size) {
  std::vector<uint8_t> bytes = RandomBytes(size, headerOffset);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  for (uint32_t i = 0; i < 4; ++i) bytes[60 + i] = static_cast<uint8_t>(headerOffset >> (8 * i));
  memcpy(bytes.data() + headerOffset, tag, 4);
  return bytes;
}

bool OwnerMayExecute(const ReadArchive& read, const std::string& name) {
  for (const ReadEntry& entry : read.entries) {
    if (entry.name == name) return (entry.externalAttributes >> 16 & 0100) != 0;
  }
  ADD_FAILURE() << name << " is not in the archive";
  return false;
}

Source FileSource(const TempDir& dir, const std::string& name, bool listed) {
  Source source;
  source.entryName = name;
  source.path = dir.File(name);
  source.size = ReadWholeFile(source.path).size();
  if (listed) {
    EXPECT_TRUE(IdentifyFile(source.path, &source.identity));
  }
  return source;
}

// `count` files f0.txt, f1.txt... of word text in `dir`, of the sizes
// `size` gives their numbers, planned as listed or not.
template <typename Size>
std::vector<Source> NumberedFiles(const TempDir& dir, uint32_t count, Size size, bool listed) {
  std::vector<Source> sources;
  for (uint32_t i = 0; i < count; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    WriteWholeFile(dir.File(name), WordText(static_cast<size_t>(size(i)), i));
    sources.push_back(FileSource(dir, name, listed));
  }
  return sources;
}

ArchiveOptions Threads(uint32_t threads) {
  ArchiveOptions options;
  options.deflateThreads = threads;
  return options;
}

ArchiveOptions ThreadsAndLatest(uint32_t threads, int64_t latest) {
  ArchiveOptions options = Threads(threads);
  options.latestEntryTime = UnixTimeToFileTime(latest, 0);
  options.dosTimeZone = DosTimeUtc;
  return options;
}

// Adds the sources in order, planned or not, and returns the archive's bytes.
std::vector<uint8_t> Zip(const std::vector<Source>& sources, const ArchiveOptions& options, bool plan) {
  TempDir output;
  const std::string path = output.File("out.zip");
  ZipArchive* archive = nullptr;
  EXPECT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive, options).code);
  if (plan) PlanArchiveSources(archive, sources.data(), sources.size());
  for (const Source& source : sources) {
    const ArchiveStatus status =
        source.isFolder ? AddFolderToArchive(archive, source.entryName.c_str(), source.path.c_str())
        : source.identity != FileIdentity{}
            ? AddListedFileToArchive(archive, source.entryName.c_str(), source.path.c_str(), source.identity)
            : AddFileToArchive(archive, source.entryName.c_str(), source.path.c_str());
    EXPECT_EQ(ArchiveOk, status.code) << source.entryName;
  }
  EXPECT_EQ(ArchiveOk, CloseArchive(archive).code);
  return ReadWholeFile(path);
}

// Unix times of 2021: when the files were last written, a minute apart.
constexpr int64_t kWritten = 1609459200;
// Reading a file may set its last access, so every access time is held to
// this one, after every last write.
constexpr int64_t kLatest = kWritten + 86400;

TEST(ParallelAdds, GiveTheArchiveOfOneThread) {
  TempDir dir;
  std::vector<Source> sources;
  const auto add = [&](const std::string& name, const std::vector<uint8_t>& bytes, bool listed) {
    WriteWholeFile(dir.File(name), bytes);
    const int64_t written = kWritten + 60 * static_cast<int64_t>(sources.size());
    SetFileTimes(dir.File(name), UnixTimeToFileTime(written, 0), UnixTimeToFileTime(kLatest + 60, 0));
    sources.push_back(FileSource(dir, name, listed));
  };
  // Enough short files for several batches on every worker, between files
  // that are never compressed ahead: empty, stored, a folder, and files of
  // a segment and more, which the segment compressor takes.
  for (uint32_t i = 0; i < 60; ++i) add("note" + std::to_string(i) + ".txt", WordText(200 + 97 * i, i), i % 2 == 0);
  add("empty.txt", {}, true);
  add("photo.gz", RandomBytes(3000, 5), true);
  Source folder;
  folder.entryName = "docs";
  folder.path = dir.File("docs");
  folder.isFolder = true;
  std::filesystem::create_directory(folder.path);
  sources.push_back(folder);
  add("segment.bin", WordText(kSegmentSize / 6, 6), false);
  add("long.log", WordText(kSegmentSize / 3, 7), true);
  add("random.bin", RandomBytes(70000, 8), true);
  // The Unix mode's owner-execute bit follows a program's head: signatures
  // PE and NE, a header offset just inside the file and just past it, and a
  // head one byte too short to hold the offset.
  add("tool.exe", Program(128, "PE\0\0", 4000), true);
  add("old.exe", Program(200, "NE\0\0", 4000), true);
  add("edge.exe", Program(4000 - 53, "PE\0\0", 4000), true);
  add("past.exe", Program(4000 - 52, "PE\0\0", 4000), true);
  std::vector<uint8_t> head = Program(8, "PE\0\0", 64);
  head.pop_back();
  add("short.exe", head, true);
  for (uint32_t i = 0; i < 40; ++i) add("tail" + std::to_string(i) + ".csv", WordText(3000, 100 + i), false);

  const std::vector<uint8_t> one = Zip(sources, ThreadsAndLatest(1, kLatest), true);
  const ReadArchive read = ReadZip(one);
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(sources.size(), read.entries.size());
  EXPECT_EQ(kWritten + 60, read.entries[1].modifyTime);
  EXPECT_TRUE(OwnerMayExecute(read, "tool.exe"));
  EXPECT_TRUE(OwnerMayExecute(read, "old.exe"));
  EXPECT_TRUE(OwnerMayExecute(read, "edge.exe"));
  EXPECT_FALSE(OwnerMayExecute(read, "past.exe"));
  EXPECT_FALSE(OwnerMayExecute(read, "short.exe"));
  for (const uint32_t threads : {2u, 3u, 8u}) {
    EXPECT_EQ(one, Zip(sources, ThreadsAndLatest(threads, kLatest), true)) << threads << " threads, planned";
  }
  EXPECT_EQ(one, Zip(sources, ThreadsAndLatest(2, kLatest), false)) << "2 threads, not planned";
}

// A plan made before the files changed: what each add finds is what enters
// the archive, whether the worker saw the change or the add did.
TEST(ParallelAdds, TakeWhatTheFilesHoldWhenTheirAddComes) {
  TempDir dir;
  const std::vector<Source> sources = NumberedFiles(
      dir, 20, [](uint32_t) { return 500; }, true);
  // Grown past the size planned, which the room kept for its data follows;
  // replaced by another file; gone.
  WriteWholeFile(dir.File("f3.txt"), WordText(9000, 3));
  WriteWholeFile(dir.File("f5.new"), WordText(500, 55));
  std::filesystem::rename(dir.File("f5.new"), dir.File("f5.txt"));
  std::filesystem::remove(dir.File("f7.txt"));

  TempDir output;
  const std::string path = output.File("out.zip");
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive, Threads(3)).code);
  PlanArchiveSources(archive, sources.data(), sources.size());
  for (const Source& source : sources) {
    const ArchiveStatus status =
        AddListedFileToArchive(archive, source.entryName.c_str(), source.path.c_str(), source.identity);
    if (source.entryName == "f5.txt") {
      EXPECT_EQ(FailedSourceNotListed, status.reason);
    } else if (source.entryName == "f7.txt") {
      EXPECT_EQ(FailedSourceOpen, status.reason);
    } else {
      EXPECT_EQ(ArchiveOk, status.code) << source.entryName;
    }
  }
  ASSERT_EQ(ArchiveOk, CloseArchive(archive).code);
  const ReadArchive read = ReadZip(ReadWholeFile(path));
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(18u, read.entries.size());
  for (const ReadEntry& entry : read.entries) {
    EXPECT_EQ(ReadWholeFile(dir.File(entry.name)), entry.data) << entry.name;
  }
}

// Adds in another order than planned end the plan; the archive holds what
// was added, in the order added.
TEST(ParallelAdds, OutOfPlanAddsEndThePlan) {
  TempDir dir;
  const std::vector<Source> sources = NumberedFiles(
      dir, 40, [](uint32_t) { return 800; }, false);
  std::vector<Source> order(sources.begin(), sources.begin() + 10);
  order.push_back(sources[30]);
  order.insert(order.end(), sources.begin() + 10, sources.begin() + 20);
  Source renamed = sources[21];
  renamed.entryName = "other.txt";
  order.push_back(renamed);

  const std::string path = dir.File("out.zip");
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive, Threads(2)).code);
  PlanArchiveSources(archive, sources.data(), sources.size());
  for (const Source& source : order) {
    EXPECT_EQ(ArchiveOk, AddFileToArchive(archive, source.entryName.c_str(), source.path.c_str()).code);
  }
  ASSERT_EQ(ArchiveOk, CloseArchive(archive).code);
  const ReadArchive read = ReadZip(ReadWholeFile(path));
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(order.size(), read.entries.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(order[i].entryName, read.entries[i].name);
    EXPECT_EQ(ReadWholeFile(order[i].path), read.entries[i].data) << order[i].entryName;
  }
}

// A read report that stops at a file compressed ahead, while it is waited
// for or as it is taken, stops its add as a read would: nothing of it is in
// the archive, and the archive closes, or is discarded, with the workers
// still at work.
TEST(ParallelAdds, AStoppedAddLeavesNothingOfItsFile) {
  TempDir dir;
  const std::vector<Source> sources = NumberedFiles(
      dir, 30, [](uint32_t i) { return i < 2 ? 60000 : 2000; }, false);
  for (const bool discard : {false, true}) {
    int reports = 0;
    ArchiveOptions options = Threads(2);
    options.readProgressContext = &reports;
    options.readProgress = [](void* context, uint32_t) { return ++*static_cast<int*>(context) < 2; };
    const std::string path = dir.File("out.zip");
    ZipArchive* archive = nullptr;
    ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(path.c_str(), &archive, options).code);
    PlanArchiveSources(archive, sources.data(), sources.size());
    ArchiveStatus status{};
    size_t added = 0;
    while (added < sources.size()) {
      status = AddFileToArchive(archive, sources[added].entryName.c_str(), sources[added].path.c_str());
      if (status.code != ArchiveOk) break;
      ++added;
    }
    EXPECT_EQ(ArchiveCancelled, status.code);
    if (discard) {
      DiscardArchive(archive);
      continue;
    }
    ASSERT_EQ(ArchiveOk, CloseArchive(archive).code);
    const ReadArchive read = ReadZip(ReadWholeFile(path));
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(added, read.entries.size());
    for (size_t i = 0; i < added; ++i) EXPECT_EQ(ReadWholeFile(sources[i].path), read.entries[i].data);
  }
}

}  // namespace
