// The plan of a folder's archive, on real files: what both front ends add,
// in which order, and what they leave out or pass over.
#include "writer/folder_plan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_replacement.h"
#include "platform/file_status.h"
#include "platform/paths.h"
#include "tests/support/test_files.h"

namespace {

using Names = std::vector<std::string>;

Names EntryNames(const std::vector<Source>& sources) {
  Names names;
  for (const Source& source : sources) names.push_back(source.entryName);
  return names;
}

TEST(FolderPlan, AddsInByteOrderAndPassesOverTheArchivesOwnFilesAndLeftovers) {
  TempDir dir;
  for (const char* name : {"b.txt", "Z.txt", "old.zip", "new.zip", ".zapnest-7-0.tmp", "a.txt"}) {
    WriteWholeFile(dir.File(name), std::vector<uint8_t>(10, 1));
  }
  std::vector<FileIdentity> own(2);
  ASSERT_TRUE(IdentifyFile(dir.File("old.zip"), &own[0]));
  ASSERT_TRUE(IdentifyFile(dir.File("new.zip"), &own[1]));
  FolderPlan plan;
  uint32_t error = 0;
  ASSERT_TRUE(PlanFolder(dir.path(), false, own, nullptr, &plan, &error));
  EXPECT_EQ((Names{"Z.txt", "a.txt", "b.txt"}), EntryNames(plan.files));
  EXPECT_EQ(30u, plan.plannedBytes);
  EXPECT_EQ(Names{".zapnest-7-0.tmp"}, EntryNames(plan.leftovers));
  EXPECT_TRUE(plan.leftOut.empty());
  IdentifyFile(dir.File("a.txt"), &own[0]);
  EXPECT_EQ(own[0], plan.files[1].identity);
}

TEST(FolderPlan, AFilePlannedBeforeThatHasGoneIsLeftOut) {
  TempDir dir;
  for (const char* name : {"keep.txt", "gone.txt"}) WriteWholeFile(dir.File(name), {1});
  FolderPlan before;
  uint32_t error = 0;
  ASSERT_TRUE(PlanFolder(dir.path(), false, {}, nullptr, &before, &error));
  RemoveFile(dir.File("gone.txt"));
  WriteWholeFile(dir.File("new.txt"), {2});
  FolderPlan now;
  ASSERT_TRUE(PlanFolder(dir.path(), false, {}, &before, &now, &error));
  EXPECT_EQ((Names{"keep.txt", "new.txt"}), EntryNames(now.files));
  ASSERT_EQ(1u, now.leftOut.size());
  EXPECT_EQ("gone.txt", now.leftOut[0].source.entryName);
  EXPECT_EQ(LeftOutGone, now.leftOut[0].reason);
}

TEST(FolderPlan, NamesNoZipHoldsAndLaterCollidingNamesAreLeftOutWithTheirReason) {
#ifdef _WIN32
  GTEST_SKIP() << "a Windows folder holds neither such names nor two names that differ in case";
#else
  TempDir dir;
  for (const char* name : {"CON", "ok.txt", "Ok.TXT", "OK.txt"}) WriteWholeFile(dir.File(name), {1});
  FolderPlan plan;
  uint32_t error = 0;
  ASSERT_TRUE(PlanFolder(dir.path(), false, {}, nullptr, &plan, &error));
  EXPECT_EQ(Names{"OK.txt"}, EntryNames(plan.files));
  ASSERT_EQ(3u, plan.leftOut.size());
  EXPECT_EQ(LeftOutNameRefused, plan.leftOut[0].reason);
  EXPECT_EQ(EntryNameDeviceName, plan.leftOut[0].problem);
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_EQ(LeftOutNameCollides, plan.leftOut[i].reason);
    EXPECT_EQ(NamesDifferInCase, plan.leftOut[i].collision);
    EXPECT_EQ(dir.File("OK.txt"), plan.leftOut[i].earlier);
  }
#endif
}

// Files of a folder first, then each subfolder whole, both in byte order;
// a folder none of whose files goes in gets an entry of its own.
TEST(FolderPlan, WithSubfoldersTheWholeTreeIsPlannedFolderByFolder) {
  TempDir dir;
  for (const char* name : {"b/z.txt", "b/c/d/deep.txt", "a.txt", "C/x.txt", "b/a.txt"}) {
    std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
    WriteWholeFile(dir.File(name), std::vector<uint8_t>(7, 1));
  }
  for (const char* name : {"empty", "b/c/hollow/deeper", "only-own"}) {
    std::filesystem::create_directories(dir.File(name));
  }
  WriteWholeFile(dir.File("only-own/out.zip"), {1});
  std::vector<FileIdentity> own(1);
  ASSERT_TRUE(IdentifyFile(dir.File("only-own/out.zip"), &own[0]));
  FolderPlan plan;
  uint32_t error = 0;
  ASSERT_TRUE(PlanFolder(dir.path(), true, own, nullptr, &plan, &error));
  EXPECT_EQ(
      (Names{"a.txt", "C/x.txt", "b/a.txt", "b/z.txt", "b/c/d/deep.txt", "b/c/hollow/deeper/", "empty/", "only-own/"}),
      EntryNames(plan.files));
  EXPECT_EQ(35u, plan.plannedBytes);
  EXPECT_TRUE(plan.leftOut.empty());
  EXPECT_TRUE(plan.files[5].isFolder);
  EXPECT_EQ("deeper", BareName(plan.files[5].path));

  // The same folder without them: its own files only, as ever.
  ASSERT_TRUE(PlanFolder(dir.path(), false, own, nullptr, &plan, &error));
  EXPECT_EQ(Names{"a.txt"}, EntryNames(plan.files));
}

TEST(FolderPlan, ALongNameIsJudgedWholeFromTheTop) {
#ifdef _WIN32
  GTEST_SKIP() << "the folder's own path and a 259-byte name pass Windows' 260 characters for a path";
#endif
  TempDir dir;
  const std::string folder(120, 'f');
  const std::string deeper = folder + "/" + std::string(120, 'g');
  std::filesystem::create_directories(dir.File(deeper));
  std::filesystem::create_directories(dir.File(folder + "/" + std::string(138, 'h')));
  WriteWholeFile(dir.File(deeper + "/" + std::string(17, 'x')), {1});  // 259 bytes in all
  WriteWholeFile(dir.File(deeper + "/" + std::string(18, 'y')), {1});  // 260
  FolderPlan plan;
  uint32_t error = 0;
  ASSERT_TRUE(PlanFolder(dir.path(), true, {}, nullptr, &plan, &error));
  // The empty folder's 259 bytes take a '/' more as its entry's name.
  EXPECT_EQ(Names{deeper + "/" + std::string(17, 'x')}, EntryNames(plan.files));
  ASSERT_EQ(2u, plan.leftOut.size());
  EXPECT_EQ(deeper + "/" + std::string(18, 'y'), plan.leftOut[0].source.entryName);
  EXPECT_EQ(folder + "/" + std::string(138, 'h') + "/", plan.leftOut[1].source.entryName);
  for (const LeftOutFile& file : plan.leftOut) EXPECT_EQ(EntryNameTooLong, file.problem);
}

#ifndef _WIN32
TEST(FolderPlan, LinksToFoldersAreNotEnteredAndNamesCollideAcrossTheTree) {
  TempDir dir;
  for (const char* name : {"A/x.txt", "a/x.txt", "a/y.txt", "c", "C/z.txt", "sub/keep.txt"}) {
    std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
    WriteWholeFile(dir.File(name), {1});
  }
  std::filesystem::create_directory_symlink("..", dir.File("sub/up"));
  std::filesystem::create_directory_symlink("/etc", dir.File("sub/etc"));
  FolderPlan plan;
  uint32_t error = 0;
  ASSERT_TRUE(PlanFolder(dir.path(), true, {}, nullptr, &plan, &error));
  EXPECT_EQ((Names{"c", "A/x.txt", "a/y.txt", "sub/keep.txt"}), EntryNames(plan.files));
  std::vector<std::pair<std::string, LeftOutReason>> leftOut;
  for (const LeftOutFile& file : plan.leftOut) leftOut.emplace_back(file.source.entryName, file.reason);
  EXPECT_EQ((std::vector<std::pair<std::string, LeftOutReason>>{{"C/z.txt", LeftOutNameCollides},
                                                                {"a/x.txt", LeftOutNameCollides},
                                                                {"sub/etc/", LeftOutFolderLink},
                                                                {"sub/up/", LeftOutFolderLink}}),
            leftOut);
  EXPECT_EQ(NameIsOthersFolder, plan.leftOut[0].collision);
  EXPECT_EQ(dir.File("c"), plan.leftOut[0].earlier);
  EXPECT_EQ(NamesDifferInCase, plan.leftOut[1].collision);
}
#endif

TEST(FolderPlan, AFolderThatCannotBeReadSaysWhy) {
  TempDir dir;
  FolderPlan plan;
  uint32_t error = 0;
  EXPECT_FALSE(PlanFolder(dir.File("missing"), false, {}, nullptr, &plan, &error));
  EXPECT_NE(0u, error);
}

}  // namespace
