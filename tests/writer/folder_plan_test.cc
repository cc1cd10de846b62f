// The plan of a folder's archive, on real files: what both front ends add,
// in which order, and what they leave out or pass over.
#include "writer/folder_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_replacement.h"
#include "platform/file_status.h"
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
  ASSERT_TRUE(PlanFolder(dir.path(), own, nullptr, &plan, &error));
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
  ASSERT_TRUE(PlanFolder(dir.path(), {}, nullptr, &before, &error));
  RemoveFile(dir.File("gone.txt"));
  WriteWholeFile(dir.File("new.txt"), {2});
  FolderPlan now;
  ASSERT_TRUE(PlanFolder(dir.path(), {}, &before, &now, &error));
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
  ASSERT_TRUE(PlanFolder(dir.path(), {}, nullptr, &plan, &error));
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

TEST(FolderPlan, AFolderThatCannotBeReadSaysWhy) {
  TempDir dir;
  FolderPlan plan;
  uint32_t error = 0;
  EXPECT_FALSE(PlanFolder(dir.File("missing"), {}, nullptr, &plan, &error));
  EXPECT_NE(0u, error);
}

}  // namespace
