// The Windows folder listing against real links, under Wine: where each
// listed name leads, which file it reaches, and that asking leaves the files
// alone. The links are Unix symbolic links, made with ln; Wine shows a link
// to a file as a plain file and one to a folder as a folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/folder_listing.h"
#include "platform/platform.h"
#include "platform/utf8.h"
#include "tests/support/listed_files.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;

std::wstring Wide(const std::string& path) { return fs::u8path(path).wstring(); }

// The Unix path of an existing Windows path; empty when not under Wine.
std::string UnixPathOf(const std::string& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* name = unixName != nullptr ? unixName(Wide(path).c_str()) : nullptr;
  if (name == nullptr) return "";
  const std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Runs a Unix program from Wine, which starts ELF programs as they are, and
// waits until `path` exists or not, as `exists` says: Wine does not wait for
// a Unix program to end.
bool RunUnixUntil(const std::string& commandLine, const std::string& path, bool exists) {
  std::wstring command = Wide(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int wait = 0; wait < 100; ++wait) {
    if ((GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) == exists) return true;
    Sleep(50);
  }
  return false;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

FileIdentity IdentityOf(const std::string& path) {
  FileInfo info{};
  FileHandle file = OpenInputFile(path.c_str(), &info);
  EXPECT_NE(kNoFile, file) << path;
  CloseFile(file);
  return info.identity;
}

// A chosen folder "folder" with a file and a subfolder, a sibling "folder2"
// whose name begins with the chosen one's, and a file in another temporary
// folder; links from the chosen folder lead to each.
class FolderListingLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(fs::u8path(folder + "\\sub"));
    fs::create_directories(fs::u8path(root.File("folder2")));
    WriteWholeFile(folder + "\\a.txt", Bytes("plain file"));
    WriteWholeFile(folder + "\\sub\\s.txt", Bytes("in the subfolder"));
    WriteWholeFile(root.File("folder2\\x.txt"), Bytes("beside the chosen folder"));
    WriteWholeFile(outsideFile, Bytes("far away"));
    const std::string unixFolder = UnixPathOf(folder);
    if (unixFolder.empty()) GTEST_SKIP() << "links are made with ln, under Wine";
    const std::pair<const char*, std::string> links[] = {{"to_outside.txt", UnixPathOf(outsideFile)},
                                                         {"to_a.txt", "a.txt"},
                                                         {"to_sub.txt", "sub/s.txt"},
                                                         {"to_sibling.txt", "../folder2/x.txt"},
                                                         {"to_folder", UnixPathOf(elsewhere.path())}};
    for (const auto& [link, target] : links) {
      const std::string command = "Z:\\bin\\ln -s \"" + target + "\" \"" + unixFolder + "/" + link + "\"";
      ASSERT_TRUE(RunUnixUntil(command, folder + "\\" + link, true)) << link;
      made.push_back(link);
    }
  }

  // Before the temporary folders go: Wine can neither see nor remove a link
  // whose target has gone, nor remove a link to a folder.
  void TearDown() override {
    for (const std::string& link : made) {
      RunUnixUntil("Z:\\bin\\rm -f \"" + UnixPathOf(folder) + "/" + link + "\"", folder + "\\" + link, false);
    }
  }

  TempDir elsewhere;
  TempDir root;
  const std::string folder = root.File("folder");
  const std::string outsideFile = elsewhere.File("o.txt");
  std::vector<std::string> made;
};

TEST_F(FolderListingLinks, OnlyLinksToFilesOutsideTheFolderLeadOutsideHoweverTheFolderIsNamed) {
  // Windows compares paths without regard to case; a separator at the end
  // names the same folder.
  for (const std::string& name : {folder, AsciiUpperCase(folder), folder + "\\"}) {
    std::map<std::string, FolderEntry> files = ListByName(name);
    ASSERT_EQ(5u, files.size()) << name;  // the link to a folder is no file
    EXPECT_FALSE(files["a.txt"].leadsOutside) << name;
    EXPECT_FALSE(files["to_a.txt"].leadsOutside) << name;
    EXPECT_FALSE(files["to_sub.txt"].leadsOutside) << name;  // a subfolder lies inside
    EXPECT_TRUE(files["to_outside.txt"].leadsOutside) << name;
    EXPECT_TRUE(files["to_sibling.txt"].leadsOutside) << name;  // "folder2" begins as "folder" does
    EXPECT_EQ(8u, files["to_outside.txt"].size) << name;        // what the link leads to
  }
}

TEST_F(FolderListingLinks, EachNameHasTheIdentityOfTheFileItReaches) {
  std::map<std::string, FolderEntry> files = ListByName(folder);
  const FileIdentity plain = IdentityOf(folder + "\\a.txt");
  EXPECT_NE(0u, plain.index);
  EXPECT_EQ(plain, files["a.txt"].identity);
  EXPECT_EQ(plain, files["to_a.txt"].identity);
  EXPECT_EQ(IdentityOf(folder + "\\sub\\s.txt"), files["to_sub.txt"].identity);
  EXPECT_EQ(IdentityOf(outsideFile), files["to_outside.txt"].identity);
}

// Listing opens every file for its identity and final path. That must not
// count as reading it: the access time the writer stores would be the
// listing's. (Under Wine, GetFileType would move it.)
TEST(FolderListing, LeavesAccessTimesAlone) {
  TempDir dir;
  const std::string path = dir.File("old.txt");
  WriteWholeFile(path, Bytes("read me not"));
  const FileTime accessed = 132100000000000000;  // in 2019
  SetFileTimes(path, accessed - 100000000000000, accessed);
  std::vector<FolderEntry> files;
  uint32_t error = 0;
  ASSERT_TRUE(ListPlainFiles(dir.path(), &files, &error)) << error;
  ASSERT_EQ(1u, files.size());
  EXPECT_NE(0u, files[0].identity.index);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(accessed,
            (static_cast<FileTime>(data.ftLastAccessTime.dwHighDateTime) << 32) | data.ftLastAccessTime.dwLowDateTime);
}

}  // namespace
