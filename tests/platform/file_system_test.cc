// What the front ends reach through the platform layer, on real files,
// natively and under Wine: names the ANSI code page lacks, folders, a path's
// kind and identity, outputs that are devices.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "platform/case_folding.h"
#include "platform/file_status.h"
#include "platform/folder_listing.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "tests/support/test_files.h"

namespace {

// Each name's look-alike in an ANSI code page sits beside it with other
// bytes: an ANSI call would reach the wrong file.
const std::map<std::string, std::string> kLookAlikes = {
    {"a.txt", "plain a"},
    {"\xEF\xBD\x81.txt", "full-width a"},  // ａ.txt
    {"O.txt", "plain O"},
    {"\xCE\xA9.txt", "omega"},                                // Ω.txt
    {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "nihongo"},  // 日本語.txt
    {"\xF0\x9F\x98\x80.txt", "beyond the plane"},             // 😀.txt
    {"sub\xEF\xBC\xBCy.txt", "full-width backslash"},         // sub＼y.txt
    {"Gr\xC3\xB6\xC3\x9F"
     "e caf\xC3\xA9.txt",
     "latin"},  // Größe café.txt
};

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> ReadThroughPlatform(const std::string& path) {
  std::vector<uint8_t> bytes;
  FileHandle file = OpenInputFile(path.c_str());
  if (file == kNoFile) return {'?'};
  uint8_t buffer[256];
  uint32_t count = 0;
  while (ReadFromFile(file, buffer, sizeof buffer, &count) && count > 0) {
    bytes.insert(bytes.end(), buffer, buffer + count);
  }
  CloseFile(file);
  return bytes;
}

void MakeFolderOfLookAlikes(const TempDir& dir) {
  for (const auto& [name, contents] : kLookAlikes) WriteWholeFile(dir.File(name), Bytes(contents));
  std::filesystem::create_directory(std::filesystem::u8path(dir.File("sub")));
  WriteWholeFile(dir.File("sub/y.txt"), Bytes("inside the subfolder"));
}

TEST(FileSystemNames, EveryNameReachesItsOwnFile) {
  TempDir dir;
  MakeFolderOfLookAlikes(dir);
  for (const auto& [name, contents] : kLookAlikes) {
    const std::string path = dir.File(name);
    EXPECT_EQ(Bytes(contents), ReadThroughPlatform(path)) << name;
    EXPECT_EQ(PathRegular, KindOf(path)) << name;
    uint64_t size = 0;
    ASSERT_TRUE(FileSize(path, &size)) << name;
    EXPECT_EQ(contents.size(), size) << name;
    EXPECT_TRUE(SameFile(path, path)) << name;
  }
  EXPECT_FALSE(SameFile(dir.File("a.txt"), dir.File("\xEF\xBD\x81.txt")));
  EXPECT_FALSE(SameFile(dir.File("O.txt"), dir.File("\xCE\xA9.txt")));
  EXPECT_EQ(PathOther, KindOf(dir.File("sub")));
  EXPECT_EQ(PathMissing, KindOf(dir.File("\xCE\xA9\xCE\xA9.txt")));
}

TEST(FileSystemNames, ListingGivesEveryPlainFileUnderItsOwnNameAndNoSubfolder) {
  TempDir dir;
  MakeFolderOfLookAlikes(dir);
  std::vector<FolderEntry> files;
  uint32_t error = 0;
  ASSERT_TRUE(ListPlainFiles(dir.path(), &files, &error)) << error;
  std::map<std::string, uint64_t> listed;
  for (const FolderEntry& file : files) {
    EXPECT_TRUE(file.nameIsExact) << file.name;
    listed[file.name] = file.size;
  }
  std::map<std::string, uint64_t> expected;
  for (const auto& [name, contents] : kLookAlikes) expected[name] = contents.size();
  EXPECT_EQ(expected, listed);

  EXPECT_FALSE(ListPlainFiles(dir.File("a.txt"), &files, &error));
  EXPECT_FALSE(ListPlainFiles(dir.File("missing"), &files, &error));
  EXPECT_NE(0u, error);
  TempDir empty;
  ASSERT_TRUE(ListPlainFiles(empty.path(), &files, &error));
  EXPECT_TRUE(files.empty());
}

// The front ends compare a listing's identities with a path's, and the
// writer compares them with what the open reports: all three must agree.
TEST(FileSystemNames, TheListingThePathAndTheOpenFileTellOneIdentity) {
  TempDir dir;
  MakeFolderOfLookAlikes(dir);
  std::vector<FolderEntry> files;
  uint32_t error = 0;
  ASSERT_TRUE(ListPlainFiles(dir.path(), &files, &error)) << error;
  std::vector<FileIdentity> seen;
  for (const FolderEntry& file : files) {
    const std::string path = dir.File(file.name);
    FileIdentity named{};
    ASSERT_TRUE(IdentifyFile(path, &named)) << file.name;
    EXPECT_EQ(file.identity, named) << file.name;
    FileInfo opened{};
    FileHandle handle = OpenInputFile(path.c_str(), &opened);
    ASSERT_NE(kNoFile, handle) << file.name;
    FileInfo queried{};
    EXPECT_TRUE(QueryFileInfo(handle, &queried)) << file.name;
    CloseFile(handle);
    EXPECT_EQ(named, opened.identity) << file.name;
    EXPECT_EQ(named, queried.identity) << file.name;
    EXPECT_EQ(file.size, opened.size) << file.name;
    EXPECT_EQ(queried.lastWriteTime, opened.lastWriteTime) << file.name;
    EXPECT_EQ(queried.creationTime, opened.creationTime) << file.name;
    EXPECT_EQ(queried.attributes, opened.attributes) << file.name;
    for (const FileIdentity& other : seen) EXPECT_NE(other, named) << file.name;
    seen.push_back(named);
  }
  EXPECT_EQ(kLookAlikes.size(), seen.size());
  FileIdentity missing{};
  EXPECT_FALSE(IdentifyFile(dir.File("\xCE\xA9\xCE\xA9.txt"), &missing));
}
TEST(FileSystemNames, PathsJoinAndSplitAroundMultiByteCharacters) {
  const std::string folder = FolderOf(JoinPath("\xE6\x97\xA5", "x"));
  EXPECT_EQ("x", BareName(JoinPath(folder, "x")));
  EXPECT_EQ("\xCE\xA9.txt", BareName(JoinPath("\xE6\x97\xA5\xE6\x9C\xAC", "\xCE\xA9.txt")));
  // A full-width backslash is a character, not a separator.
  EXPECT_EQ("sub\xEF\xBC\xBCy.txt", BareName(JoinPath("dir", "sub\xEF\xBC\xBCy.txt")));
}

TEST(FileSystemNames, CaseFoldsAsWindowsComparesNames) {
  EXPECT_EQ(FoldCase("readme.TXT"), FoldCase("README.txt"));
  EXPECT_EQ(FoldCase("\xC3\xA4rger"), FoldCase("\xC3\x84RGER"));          // ärger / ÄRGER
  EXPECT_EQ(FoldCase("\xCF\x89.txt"), FoldCase("\xCE\xA9.txt"));          // ω / Ω
  EXPECT_EQ(FoldCase("\xEF\xBD\x81"), FoldCase("\xEF\xBC\xA1"));          // ａ / Ａ
  EXPECT_NE(FoldCase("a"), FoldCase("\xEF\xBD\x81"));                     // a / ａ
  EXPECT_NE(FoldCase("\xF0\x90\x90\xA8"), FoldCase("\xF0\x90\x90\x80"));  // beyond the plane: not folded
  // Letters whose upper case leads elsewhere stay two names, as on Windows.
  EXPECT_NE(FoldCase("\xC4\xB1spanak"), FoldCase("Ispanak"));  // ı / I
  EXPECT_NE(FoldCase("\xCF\x82"), FoldCase("\xCF\x83"));       // ς / σ
  EXPECT_NE(FoldCase("\xC2\xB5"), FoldCase("\xCE\x9C"));       // µ / Μ
  EXPECT_NE(FoldCase("\xC5\xBF"), FoldCase("s"));              // ſ / s
}

// An output is a plain file on a disk, or nothing: a device would swallow
// the archive and leave no file behind it.
TEST(FileSystemOutputs, ADeviceIsNeverAnOutput) {
  TempDir dir;
#ifdef _WIN32
  for (const std::string& name : {std::string("nul.zip"), std::string("NUL"), std::string("con"),
                                  std::string("COM1.zip"), std::string("aux.txt")}) {
    const std::string path = dir.File(name);
    FileHandle out = CreateOutputFile(path.c_str());
    EXPECT_EQ(kNoFile, out) << name;
    CloseFile(out);
    FileHandle fresh = CreateNewOutputFile(path.c_str());
    EXPECT_EQ(kNoFile, fresh) << name;
    CloseFile(fresh);
  }
#else
  FileHandle out = CreateOutputFile("/dev/null");
  EXPECT_EQ(kNoFile, out);
  CloseFile(out);
  const std::string pipe = dir.File("pipe");
  ASSERT_EQ(0, mkfifo(pipe.c_str(), 0600));
  out = CreateOutputFile(pipe.c_str());  // must not wait for a reader
  EXPECT_EQ(kNoFile, out);
  CloseFile(out);
#endif
  std::vector<FolderEntry> files;
  uint32_t error = 0;
  ASSERT_TRUE(ListPlainFiles(dir.path(), &files, &error));
  EXPECT_TRUE(files.empty());
  // A plain file of a name the ANSI code page lacks is an output as any other.
  const std::string zip = dir.File("\xCE\xA9 \xE6\x97\xA5.zip");
  FileHandle made = CreateOutputFile(zip.c_str());
  ASSERT_NE(kNoFile, made);
  CloseFile(made);
  EXPECT_EQ(PathRegular, KindOf(zip));
}

#ifdef _WIN32
// Windows lets a name hold half of a surrogate pair. Such a name has no
// UTF-8 form: it is listed for showing, marked, and never stands in for
// another file's name.
TEST(FileSystemNames, ANameWithoutAUtf8FormIsListedAsInexact) {
  TempDir dir;
  std::wstring folder = std::filesystem::u8path(dir.path()).wstring();
  const std::wstring name = folder + L"\\x\xD800.txt";
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) GTEST_SKIP() << "this file system cannot hold such a name";
  CloseHandle(file);
  std::vector<FolderEntry> files;
  uint32_t error = 0;
  ASSERT_TRUE(ListPlainFiles(dir.path(), &files, &error));
  ASSERT_EQ(1u, files.size());
  EXPECT_FALSE(files[0].nameIsExact);
  EXPECT_EQ("x\xEF\xBF\xBD.txt", files[0].name);
  DeleteFileW(name.c_str());
}
#endif

}  // namespace
