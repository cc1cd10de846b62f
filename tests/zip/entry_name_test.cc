#include "zip/entry_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RefusedName {
  const char* name;
  EntryNameProblem problem;
};

// Each name is judged as its problem and leaves the entry's name empty.
void ExpectRefused(const std::vector<RefusedName>& cases) {
  for (const RefusedName& c : cases) {
    EXPECT_EQ(c.problem, CheckEntryName(c.name)) << c.name;
    ZipEntry entry{};
    EXPECT_FALSE(SetEntryName(&entry, c.name)) << c.name;
    EXPECT_EQ(0u, entry.nameLength);
    EXPECT_STREQ("", entry.name);
  }
}

TEST(ChooseMethod, StoresOnlyNamesEndingInACompressedSuffix) {
  for (const char* stored :
       {"a.z", "a.zip", "A.ZIP", "b.zoo", "c.Arc", "d.lzh", "e.arj", "f.gz", "g.TGZ", ".zip", "x.y.gz"}) {
    EXPECT_EQ(kMethodStored, ChooseMethod(stored)) << stored;
  }
  for (const char* deflated :
       {"readme", "a.zip.bak", "a.zip.txt", "a.zipx", "a.tar", "a.", "zip", "a.z.", "dir.zip/file", "a.gzip"}) {
    EXPECT_EQ(kMethodDeflated, ChooseMethod(deflated)) << deflated;
  }
}

TEST(EntryName, WritesBackslashesAsSlashesAndKeepsEverythingElse) {
  ZipEntry entry{};
  ASSERT_TRUE(SetEntryName(&entry, "Folder\\Sub Dir\\Read Me.TXT"));
  EXPECT_STREQ("Folder/Sub Dir/Read Me.TXT", entry.name);
  EXPECT_EQ(26u, entry.nameLength);
  EXPECT_EQ(0, entry.gpFlags);
  ASSERT_TRUE(SetEntryName(&entry, "a..b\\.hidden\\x y\\..c"));
  EXPECT_STREQ("a..b/.hidden/x y/..c", entry.name);
}

// Extracted by a careless reader, these would land outside its folder (or be
// taken for a folder); after the backslash conversion they are refused.
TEST(EntryName, RefusesNamesThatLeaveTheExtractionFolder) {
  ExpectRefused({
      {"/etc/passwd", EntryNameAbsolute},
      {"\\tmp\\x.txt", EntryNameAbsolute},
      {"\\\\server\\share", EntryNameAbsolute},
      {"C:\\x", EntryNameDrive},
      {"a:b", EntryNameDrive},
      {"z:", EntryNameDrive},
      {"..", EntryNameClimbs},
      {"..\\..\\evil.txt", EntryNameClimbs},
      {"a/../b", EntryNameClimbs},
      {"a\\..", EntryNameClimbs},
      {"con/../x", EntryNameClimbs},
      {"a./../b", EntryNameClimbs},
      {"dir\\", EntryNameFolder},
      {"dir/", EntryNameFolder},
      {"", EntryNameEmpty},
  });
  EXPECT_EQ(EntryNameEmpty, CheckEntryName(nullptr));
  EXPECT_EQ(EntryNameTooLong, CheckEntryName(std::string(260, 'n').c_str()));
}

// Each of these would reach a Windows recipient as another file, or as none:
// Windows drops a trailing dot or space ("a.txt." and "a.txt" are one file),
// opens a device for a device name, and cannot create the other characters.
TEST(EntryName, RefusesNamesThatWindowsWouldExtractAsAnotherNameOrNotAtAll) {
  ExpectRefused({
      {"a.txt.", EntryNameTrailingDotOrSpace},
      {"a.txt ", EntryNameTrailingDotOrSpace},
      {"dir./a.txt", EntryNameTrailingDotOrSpace},
      {"dir \\a.txt", EntryNameTrailingDotOrSpace},
      {".", EntryNameTrailingDotOrSpace},
      {"...", EntryNameTrailingDotOrSpace},
      {"x..", EntryNameTrailingDotOrSpace},
      {"./a", EntryNameTrailingDotOrSpace},
      {"CON", EntryNameDeviceName},
      {"con", EntryNameDeviceName},
      {"aux.txt", EntryNameDeviceName},
      {"nul.tar.gz", EntryNameDeviceName},
      {"Prn.doc", EntryNameDeviceName},
      {"COM1", EntryNameDeviceName},
      {"com9.zip", EntryNameDeviceName},
      {"lpt3.txt", EntryNameDeviceName},
      {"LPT\xC2\xB9.txt", EntryNameDeviceName},
      {"dir/NUL", EntryNameDeviceName},
      {"CON .txt", EntryNameDeviceName},
      {"aux/a.txt", EntryNameDeviceName},
      {"a<b", EntryNameForbiddenCharacter},
      {"a>b", EntryNameForbiddenCharacter},
      {"ab:c", EntryNameForbiddenCharacter},
      {"1:x", EntryNameForbiddenCharacter},
      {"say \"hi\"", EntryNameForbiddenCharacter},
      {"a|b", EntryNameForbiddenCharacter},
      {"why?", EntryNameForbiddenCharacter},
      {"*.txt", EntryNameForbiddenCharacter},
      {"tab\there", EntryNameForbiddenCharacter},
      {"line\nfeed", EntryNameForbiddenCharacter},
      {"\x01", EntryNameForbiddenCharacter},
      {"esc\x1B", EntryNameForbiddenCharacter},
  });
  // Near misses that Windows keeps as they are.
  for (const char* fine : {".hidden", "..c", "a..b", "console.txt", "conx", "com10.txt", "com0", "lpt.txt", "nul_file",
                           "a.con", "x.aux.txt", "dir.d/a", " lead", "a b.txt", "del\x7F", "COM\xC2\xB4"}) {
    EXPECT_EQ(EntryNameOk, CheckEntryName(fine)) << fine;
  }
}

// Readers show a name without the UTF-8 flag in their OEM code page or in
// code page 437; with it, as UTF-8. ASCII names stay as they always were.
TEST(EntryName, FlagsEveryNameOutsideAsciiAsUtf8) {
  ZipEntry entry{};
  entry.gpFlags = 0x0008;
  ASSERT_TRUE(SetEntryName(&entry,
                           "Gr\xC3\xB6\xC3\x9F"
                           "e caf\xC3\xA9.txt"));  // Größe café.txt
  EXPECT_EQ(0x0008 | kUtf8NameFlag, entry.gpFlags);
  EXPECT_STREQ(
      "Gr\xC3\xB6\xC3\x9F"
      "e caf\xC3\xA9.txt",
      entry.name);

  for (const char* name : {"\xEF\xBD\x81.txt", "\xCE\xA9.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt", "\xF0\x9F\x98\x80.txt",
                           "sub\xEF\xBC\xBCy.txt"}) {  // ａ Ω 日本 😀 ＼
    ZipEntry flagged{};
    ASSERT_TRUE(SetEntryName(&flagged, name)) << name;
    EXPECT_EQ(kUtf8NameFlag, flagged.gpFlags) << name;
    EXPECT_STREQ(name, flagged.name);  // the full-width backslash is a character, not a separator
  }
  ZipEntry ascii{};
  ASSERT_TRUE(SetEntryName(&ascii, "plain\\name.txt"));
  EXPECT_EQ(0, ascii.gpFlags);
}

TEST(EntryName, RefusesBytesThatAreNotUtf8AndLeavesTheFlagsAlone) {
  for (const char* name : {"caf\xE9.txt", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xE6\x97", "\xF4\x90\x80\x80",
                           "\xF8\x88\x80\x80\x80", "\x80", "ok\xFF"}) {
    EXPECT_EQ(EntryNameNotUtf8, CheckEntryName(name)) << name;
    ZipEntry entry{};
    EXPECT_FALSE(SetEntryName(&entry, name));
    EXPECT_EQ(0, entry.gpFlags);
  }
}

// The limit counts the bytes written, so three-byte characters fill it three
// times as fast.
TEST(EntryName, CountsTheLimitInUtf8Bytes) {
  std::string name;
  for (int i = 0; i < 86; ++i) name += "\xE6\x97\xA5";  // 日, 258 bytes
  ZipEntry entry{};
  ASSERT_TRUE(SetEntryName(&entry, (name + "a").c_str()));
  EXPECT_EQ(259u, entry.nameLength);
  EXPECT_EQ(EntryNameTooLong, CheckEntryName((name + "\xE6\x97\xA5").c_str()));
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
