#include "zip/entry_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ChooseMethod, StoresOnlyNamesEndingInACompressedSuffix) {
  for (const char* stored : {"a.z", "a.zip", "A.ZIP", "b.zoo", "c.Arc", "d.lzh", "e.arj", "f.gz", "g.TGZ",
                             ".zip", "x.y.gz"}) {
    EXPECT_EQ(kMethodStored, ChooseMethod(stored)) << stored;
  }
  for (const char* deflated : {"readme", "a.zip.bak", "a.zip.txt", "a.zipx", "a.tar", "a.", "zip", "a.z.",
                               "dir.zip/file", "a.gzip"}) {
    EXPECT_EQ(kMethodDeflated, ChooseMethod(deflated)) << deflated;
  }
}

TEST(EntryName, WritesBackslashesAsSlashesAndKeepsEverythingElse) {
  ZipEntry entry{};
  ASSERT_TRUE(SetEntryName(&entry, "Folder\\Sub Dir\\Read Me.TXT"));
  EXPECT_STREQ("Folder/Sub Dir/Read Me.TXT", entry.name);
  EXPECT_EQ(26u, entry.nameLength);
  ASSERT_TRUE(SetEntryName(&entry, "C:\\x"));
  EXPECT_STREQ("C:/x", entry.name);
  EXPECT_EQ(4u, entry.nameLength);
}

TEST(EntryName, AcceptsUpTo259BytesAndRejectsEmptyOrLongerNames) {
  ZipEntry entry{};
  const std::string longest(259, 'n');
  ASSERT_TRUE(SetEntryName(&entry, longest.c_str()));
  EXPECT_EQ(longest, entry.name);
  EXPECT_EQ(259u, entry.nameLength);

  const std::string tooLong(260, 'n');
  EXPECT_FALSE(SetEntryName(&entry, tooLong.c_str()));
  EXPECT_EQ(0u, entry.nameLength);
  EXPECT_STREQ("", entry.name);
  EXPECT_FALSE(SetEntryName(&entry, ""));
  EXPECT_FALSE(SetEntryName(&entry, nullptr));
}

}  // namespace
