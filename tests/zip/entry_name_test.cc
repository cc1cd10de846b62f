#include "zip/entry_name.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"

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
  ASSERT_TRUE(SetEntryName(&entry, "a..b\\...\\.\\x:y\\..c"));
  EXPECT_STREQ("a..b/..././x:y/..c", entry.name);
}

// Extracted by a careless reader, these would land outside its folder (or be
// taken for a folder); after the backslash conversion they are refused.
TEST(EntryName, RefusesNamesThatLeaveTheExtractionFolder) {
  const struct {
    const char* name;
    EntryNameProblem problem;
  } cases[] = {
      {"/etc/passwd", EntryNameAbsolute},  {"\\tmp\\x.txt", EntryNameAbsolute},
      {"\\\\server\\share", EntryNameAbsolute}, {"C:\\x", EntryNameDrive},
      {"a:b", EntryNameDrive},             {"z:", EntryNameDrive},
      {"..", EntryNameClimbs},             {"..\\..\\evil.txt", EntryNameClimbs},
      {"a/../b", EntryNameClimbs},         {"a\\..", EntryNameClimbs},
      {"dir\\", EntryNameFolder},         {"dir/", EntryNameFolder},
      {"", EntryNameEmpty},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.problem, CheckEntryName(c.name)) << c.name;
    ZipEntry entry{};
    EXPECT_FALSE(SetEntryName(&entry, c.name)) << c.name;
    EXPECT_EQ(0u, entry.nameLength);
    EXPECT_STREQ("", entry.name);
  }
  EXPECT_EQ(EntryNameEmpty, CheckEntryName(nullptr));
  EXPECT_EQ(EntryNameTooLong, CheckEntryName(std::string(260, 'n').c_str()));
  for (const char* fine : {"1:x", "::", "ab:c", ".", "...", ".hidden", "x.."}) {
    EXPECT_EQ(EntryNameOk, CheckEntryName(fine)) << fine;
  }
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

// The in-memory platform answers IsAnsiLeadByte as code page 932 does.
using EntryNameInADoubleByteCodePage = FakePlatformTest;

TEST_F(EntryNameInADoubleByteCodePage, KeepsTrailBytesThatLookLikeBackslashes) {
  fake::Fake().shiftJisCodePage = true;
  ZipEntry entry{};
  // 0x95 0x5C is one character in code page 932; its second byte is not a separator.
  ASSERT_TRUE(SetEntryName(&entry, "dir\\\x95\x5C\\\x95\x5C.txt"));
  EXPECT_STREQ("dir/\x95\x5C/\x95\x5C.txt", entry.name);
  ASSERT_TRUE(SetEntryName(&entry, "a\x95"));  // a lead byte with nothing after it
  EXPECT_STREQ("a\x95", entry.name);
  // The trail byte is no separator, so neither a folder end nor a ".."
  // component arises from it; a real separator still counts.
  EXPECT_EQ(EntryNameOk, CheckEntryName("dir\x95\x5C"));
  EXPECT_EQ(EntryNameOk, CheckEntryName("\x95\x5C..\x95\x5C"));
  EXPECT_EQ(EntryNameClimbs, CheckEntryName("\x95\x5C\\..\\x"));
  fake::Fake().shiftJisCodePage = false;
  EXPECT_EQ(EntryNameFolder, CheckEntryName("dir\x95\x5C"));
}

}  // namespace
