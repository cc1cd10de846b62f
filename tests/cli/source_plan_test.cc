// Which files zapnest adds under which entry names, before anything is
// written: the bare name of each path by the platform's separators, the
// names it refuses, and two sources that Windows would extract to one place,
// judged with the platform's own case folding (under Wine, Windows' own).
#include "cli/source_plan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "tests/support/test_files.h"

#ifdef _WIN32
#include "platform/code_page.h"
#endif

namespace {

using Names = std::vector<std::string>;

// The entry names PlanFiles gives `paths`, none of which is the archive.
Names EntryNames(const Names& paths, std::string* error) {
  TempDir dir;
  std::vector<Source> sources;
  if (!PlanFiles(paths, dir.File("out.zip"), &sources, error)) return {};
  Names names;
  for (const Source& source : sources) names.push_back(source.entryName);
  return names;
}

// What refuses `paths` in file mode, in planning or as a collision; "" when
// nothing does.
std::string Refusal(const Names& paths) {
  TempDir dir;
  std::vector<Source> sources;
  std::string error;
  if (PlanFiles(paths, dir.File("out.zip"), &sources, &error) && !FindCollision(sources, &error)) return "";
  return error;
}

TEST(SourceNames, EachFileIsEnteredUnderWhatFollowsItsLastSeparator) {
  std::string error;
  EXPECT_EQ((Names{"a.txt", "b.txt", "c.txt"}), EntryNames({"a.txt", "dir/sub/b.txt", "./c.txt"}, &error));
#ifdef _WIN32
  // Both slashes, and a drive's colon, end a component.
  EXPECT_EQ((Names{"a.txt", "b.txt", "c.txt", "d.txt"}),
            EntryNames({"dir\\a.txt", "C:b.txt", "C:\\x/y\\c.txt", "\\\\server\\share\\d.txt"}, &error));
#else
  // A backslash is a character of a POSIX name; the entry takes it as a
  // separator, as every reader will.
  EXPECT_EQ((Names{"dir\\a.txt"}), EntryNames({"in/dir\\a.txt"}, &error));
#endif
  EXPECT_EQ("", error);
}

// Paths are UTF-8, whose characters hold no separator byte: not the
// full-width backslash U+FF3C, nor 表, whose form in code page 932 is
// 0x95 0x5C, a trail byte equal to the backslash.
TEST(SourceNames, CharactersWhoseOtherFormsHoldABackslashStayWhole) {
  std::string error;
  EXPECT_EQ((Names{"sub\xEF\xBC\xBCy.txt", "\xE8\xA1\xA8.txt"}),
            EntryNames({"dir/sub\xEF\xBC\xBCy.txt", "dir/\xE8\xA1\xA8.txt"}, &error));
#ifdef _WIN32
  std::string path;
  ASSERT_TRUE(CodePageToUtf8(932, "dir\\\x95\x5C.txt", &path));
  EXPECT_EQ((Names{"\xE8\xA1\xA8.txt"}), EntryNames({path}, &error));
#endif
  EXPECT_EQ("", error);
}

TEST(SourceNames, PathsWithoutABareNameOrWithOneNoEntryMayHaveAreRefused) {
  EXPECT_EQ("an empty file name was given", Refusal({"a.txt", ""}));
  EXPECT_EQ("'dir/' names a folder, not a file", Refusal({"dir/"}));
  EXPECT_EQ("cannot add 'dir/..': its name '..' would be extracted outside the folder", Refusal({"dir/.."}));
  EXPECT_EQ(
      "cannot add 'in/CON': its name 'CON' is a Windows device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9), "
      "which Windows cannot extract as a file",
      Refusal({"in/CON"}));
  EXPECT_EQ(
      "cannot add 'a\\x1bb': its name 'a\\x1bb' holds a character Windows does not allow in names "
      "(< > : \" | ? * or a control character)",
      Refusal({"a\x1b"
               "b"}));
}

TEST(CollidingSources, ABareNameTwiceIsRefusedNamingTheFirstPairOfPaths) {
  EXPECT_EQ("", Refusal({"a/x.txt", "b/y.txt", "x.txt.bak"}));
  EXPECT_EQ("'a/x.txt' and 'b/x.txt' would both be entered as 'x.txt'",
            Refusal({"one.txt", "a/x.txt", "b/x.txt", "c/one.txt"}));
}

TEST(CollidingSources, NamesEqualButForCaseAsWindowsFoldsThemAreRefused) {
  const char* const overwrite = " differ only in case and would overwrite each other when extracted on Windows";
  EXPECT_EQ(std::string("'a/Report.TXT' and 'b/report.txt'") + overwrite, Refusal({"a/Report.TXT", "b/report.txt"}));
  EXPECT_EQ(std::string("'a/\xC3\x84rger' and 'b/\xC3\xA4rger'") + overwrite,
            Refusal({"a/\xC3\x84rger", "b/\xC3\xA4rger"}));              // Ärger / ärger
  EXPECT_NE("", Refusal({"a/\xCE\xA9.txt", "b/\xCF\x89.txt"}));          // Ω / ω
  EXPECT_EQ("", Refusal({"a/a.txt", "b/\xEF\xBD\x81.txt"}));             // a / ａ
  EXPECT_EQ("", Refusal({"a/\xC4\xB1.txt", "b/I.txt"}));                 // ı / I
  EXPECT_EQ("", Refusal({"a/\xF0\x90\x90\x80", "b/\xF0\x90\x90\xA8"}));  // Deseret 𐐀 / 𐐨
}

TEST(CollidingSources, AFileNamedAsTheFolderOfAnotherIsRefused) {
#ifdef _WIN32
  GTEST_SKIP() << "a Windows file name cannot hold a backslash";
#else
  EXPECT_EQ(
      "'in/a' and 'in/A\\b.txt' cannot both be extracted: 'a' and 'A\\b.txt' make one name a folder of the "
      "other",
      Refusal({"in/a", "in/A\\b.txt"}));
#endif
}

TEST(FolderSources, ComeInByteOrderWithoutTheArchiveSubfoldersOrLeftoversOfEarlierRuns) {
  TempDir dir;
  for (const char* name : {"b.txt", "Z.txt", "out.zip", ".zapnest-12-0.tmp", "a.txt"}) {
    WriteWholeFile(dir.File(name), {1});
  }
  std::filesystem::create_directory(std::filesystem::u8path(dir.File("sub")));
  WriteWholeFile(dir.File("sub/c.txt"), {1});
  for (const bool quiet : {false, true}) {
    std::vector<Source> sources;
    std::vector<std::string> notices;
    uint64_t skipped = 0;
    std::string error;
    ASSERT_TRUE(PlanFolderSources(dir.path(), false, dir.File("out.zip"), quiet, &sources, &notices, &skipped, &error))
        << error;
    Names names;
    for (const Source& source : sources) names.push_back(source.entryName);
    EXPECT_EQ((Names{"Z.txt", "a.txt", "b.txt"}), names);
    EXPECT_EQ(JoinPath(dir.path(), "Z.txt"), sources.front().path);
    EXPECT_EQ(0u, skipped);
    // A leftover is no failure: a note, and only for a run that is not quiet.
    ASSERT_EQ(quiet ? 0u : 1u, notices.size());
    if (!quiet) {
      EXPECT_EQ(0u, notices[0].find("zapnest: note: '" + dir.File(".zapnest-12-0.tmp") + "'"));
    }
  }
}

TEST(FolderSources, FilesWhoseNamesCannotBeEntriesAndLaterCaseTwinsAreSkipped) {
#ifdef _WIN32
  GTEST_SKIP() << "a Windows folder holds neither such names nor two names that differ in case";
#else
  TempDir dir;
  for (const char* name : {"CON", "a?b.txt", "ok.txt", "Ok.TXT"}) WriteWholeFile(dir.File(name), {1});
  std::vector<Source> sources;
  std::vector<std::string> notices;
  uint64_t skipped = 0;
  std::string error;
  ASSERT_TRUE(PlanFolderSources(dir.path(), false, dir.File("out.zip"), false, &sources, &notices, &skipped, &error));
  ASSERT_EQ(1u, sources.size());
  EXPECT_EQ("Ok.TXT", sources[0].entryName);
  EXPECT_EQ(3u, skipped);
  ASSERT_EQ(3u, notices.size());
  for (const std::string& notice : notices) {
    EXPECT_EQ(0u, notice.find("zapnest: warning: ")) << notice;
    EXPECT_EQ("; skipped\n", notice.substr(notice.size() - 10)) << notice;
  }
  EXPECT_EQ(0u, notices[0].find("zapnest: warning: cannot add '" + dir.File("CON") + "'"));
  EXPECT_EQ(0u, notices[1].find("zapnest: warning: cannot add '" + dir.File("a?b.txt") + "'"));
  EXPECT_EQ("zapnest: warning: '" + dir.File("Ok.TXT") + "' and '" + dir.File("ok.txt") +
                "' differ only in case and would overwrite each other when extracted on Windows; skipped\n",
            notices[2]);
  EXPECT_FALSE(FindCollision(sources, &error));
#endif
}

}  // namespace
