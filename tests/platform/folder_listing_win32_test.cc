// The Windows folder listing against real links: where each listed name
// leads, which file it reaches, and that asking leaves the files alone.
// Under Wine the links are Unix symbolic links, made with ln, which Wine
// shows as plain files; on Windows they are symbolic links, where the
// system lets this user make them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "platform/folder_listing.h"
#include "platform/platform.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The Unix path of an existing Windows path, under Wine.
std::string UnixPathOf(const std::string& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return "";
  char* name = unixName(fs::u8path(path).wstring().c_str());
  if (name == nullptr) return "";
  const std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Runs a Unix program from Wine, which starts ELF programs as they are.
bool RunUnix(const std::string& commandLine) {
  std::wstring command = fs::u8path(commandLine).wstring();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Makes `link` (in `folder`) a symbolic link to `target`; false when this
// system or user cannot. `target` is a path relative to the link's folder
// or a full one, with '/' between components.
bool MakeLink(const std::string& folder, const std::string& link, const std::string& target, bool absolute) {
  if (UnderWine()) {
    const std::string unixFolder = UnixPathOf(folder);
    const std::string unixTarget = absolute ? UnixPathOf(target) : target;
    if (unixFolder.empty() || unixTarget.empty()) return false;
    RunUnix("Z:\\bin\\ln -s \"" + unixTarget + "\" \"" + unixFolder + "/" + link + "\"");
  } else {
    // Wine's own CreateSymbolicLinkW pretends to succeed and makes nothing.
    using CreateLink = BOOLEAN(WINAPI*)(const wchar_t*, const wchar_t*, DWORD);
    const auto createLink = reinterpret_cast<CreateLink>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
    if (createLink == nullptr) return false;
    std::string windowsTarget = target;
    std::replace(windowsTarget.begin(), windowsTarget.end(), '/', '\\');
    const DWORD allowUnprivileged = 0x2;
    const DWORD isFolder = fs::is_directory(fs::u8path(absolute ? target : folder + "\\" + target)) ? 0x1 : 0x0;
    createLink(fs::u8path(folder + "\\" + link).wstring().c_str(), fs::u8path(windowsTarget).wstring().c_str(),
               allowUnprivileged | isFolder);
  }
  // Wine does not wait for a Unix program to end: wait for its link.
  const std::wstring made = fs::u8path(folder + "\\" + link).wstring();
  for (int wait = 0; wait < 100; ++wait) {
    if (GetFileAttributesW(made.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

// Removes a link made by MakeLink, before the temporary folders go: Wine
// can neither see nor remove a link whose target has gone, nor remove a
// link to a folder.
void RemoveLink(const std::string& folder, const std::string& link) {
  const std::wstring path = fs::u8path(folder + "\\" + link).wstring();
  if (UnderWine()) {
    const std::string unixFolder = UnixPathOf(folder);
    if (!unixFolder.empty()) RunUnix("Z:\\bin\\rm -f \"" + unixFolder + "/" + link + "\"");
    for (int wait = 0; wait < 100 && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++wait) Sleep(50);
  } else if (!DeleteFileW(path.c_str())) {
    RemoveDirectoryW(path.c_str());
  }
}

std::map<std::string, FolderEntry> ListByName(const std::string& folder) {
  std::vector<FolderEntry> files;
  uint32_t error = 0;
  EXPECT_TRUE(ListPlainFiles(folder, &files, &error)) << error;
  std::map<std::string, FolderEntry> byName;
  for (const FolderEntry& file : files) byName[file.name] = file;
  return byName;
}

FileIdentity IdentityOf(const std::string& path) {
  FileIdentity identity{};
  FileHandle file = OpenInputFile(path.c_str());
  EXPECT_NE(kNoFile, file) << path;
  EXPECT_TRUE(QueryFileIdentity(file, &identity)) << path;
  CloseFile(file);
  return identity;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// A chosen folder "folder" with a file, a subfolder, and a sibling
// "folder2" whose name begins with the chosen one's; and a file in another
// temporary folder. Links from the chosen folder lead to each.
class FolderListingLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = root.File("folder");
    fs::create_directories(fs::u8path(folder + "\\sub"));
    fs::create_directories(fs::u8path(root.File("folder2")));
    WriteWholeFile(folder + "\\a.txt", Bytes("plain file"));
    WriteWholeFile(folder + "\\sub\\s.txt", Bytes("in the subfolder"));
    WriteWholeFile(root.File("folder2\\x.txt"), Bytes("beside the chosen folder"));
    outsideFile = elsewhere.File("o.txt");
    WriteWholeFile(outsideFile, Bytes("far away"));
    const std::pair<const char*, std::string> links[] = {{"to_outside.txt", outsideFile},
                                                          {"to_a.txt", "a.txt"},
                                                          {"to_sub.txt", "sub/s.txt"},
                                                          {"to_sibling.txt", "../folder2/x.txt"},
                                                          {"to_folder", elsewhere.path()}};
    for (const auto& [link, target] : links) {
      if (!MakeLink(folder, link, target, target.find(':') != std::string::npos)) {
        GTEST_SKIP() << "symbolic links cannot be made here";
      }
      made.push_back(link);
    }
  }

  void TearDown() override {
    for (const std::string& link : made) RemoveLink(folder, link);
  }

  TempDir elsewhere;
  TempDir root;
  std::vector<std::string> made;
  std::string folder;
  std::string outsideFile;
};

TEST_F(FolderListingLinks, OnlyLinksToFilesOutsideTheFolderLeadOutside) {
  std::map<std::string, FolderEntry> files = ListByName(folder);
  ASSERT_EQ(5u, files.size());  // the link to a folder is no file
  EXPECT_FALSE(files["a.txt"].leadsOutside);
  EXPECT_FALSE(files["to_a.txt"].leadsOutside);
  EXPECT_FALSE(files["to_sub.txt"].leadsOutside);  // a subfolder lies inside
  EXPECT_TRUE(files["to_outside.txt"].leadsOutside);
  // "folder2" begins with "folder" but is not in it.
  EXPECT_TRUE(files["to_sibling.txt"].leadsOutside);
  EXPECT_EQ(0u, files.count("to_folder"));
  EXPECT_EQ(8u, files["to_outside.txt"].size);  // what the link leads to
}

TEST_F(FolderListingLinks, TheFolderMayBeNamedInAnyCase) {
  std::string shouting = folder;
  std::transform(shouting.begin(), shouting.end(), shouting.begin(),
                 [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
  std::map<std::string, FolderEntry> files = ListByName(shouting);
  ASSERT_EQ(5u, files.size());
  EXPECT_FALSE(files["a.txt"].leadsOutside);
  EXPECT_FALSE(files["to_a.txt"].leadsOutside);
  EXPECT_FALSE(files["to_sub.txt"].leadsOutside);
  EXPECT_TRUE(files["to_outside.txt"].leadsOutside);
  EXPECT_TRUE(files["to_sibling.txt"].leadsOutside);
  // So may it with a separator after it.
  files = ListByName(folder + "\\");
  EXPECT_FALSE(files["to_sub.txt"].leadsOutside);
  EXPECT_TRUE(files["to_sibling.txt"].leadsOutside);
}

TEST_F(FolderListingLinks, EachNameHasTheIdentityOfTheFileItReaches) {
  std::map<std::string, FolderEntry> files = ListByName(folder);
  const FileIdentity plain = IdentityOf(folder + "\\a.txt");
  EXPECT_NE(0u, plain.index);
  EXPECT_EQ(plain, files["a.txt"].identity);
  EXPECT_EQ(plain, files["to_a.txt"].identity);
  EXPECT_EQ(IdentityOf(folder + "\\sub\\s.txt"), files["to_sub.txt"].identity);
  EXPECT_EQ(IdentityOf(outsideFile), files["to_outside.txt"].identity);
  EXPECT_NE(files["a.txt"].identity, files["to_sub.txt"].identity);
}

}  // namespace

// Listing opens every file to learn its identity and final path. Opening
// without access to the data must not count as reading it: the access time
// that the writer stores for each file would be the listing's.
TEST(FolderListing, LeavesAccessTimesAlone) {
  TempDir dir;
  const std::string path = dir.File("old.txt");
  WriteWholeFile(path, Bytes("read me not"));
  const FileTime written = 132000000000000000;   // in 2019
  const FileTime accessed = 132100000000000000;  // in 2019, later
  SetFileTimes(path, written, accessed);
  std::vector<FolderEntry> files;
  uint32_t error = 0;
  ASSERT_TRUE(ListPlainFiles(dir.path(), &files, &error)) << error;
  ASSERT_EQ(1u, files.size());
  EXPECT_NE(0u, files[0].identity.index);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(fs::u8path(path).wstring().c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(accessed, (static_cast<FileTime>(data.ftLastAccessTime.dwHighDateTime) << 32) |
                          data.ftLastAccessTime.dwLowDateTime);
}

TEST(FolderListing, AFileThatCannotBeOpenedIsStillListed) {
  TempDir dir;
  const std::string path = dir.File("busy.txt");
  WriteWholeFile(path, Bytes("in use"));
  // Held without any sharing: an open for data fails, an open without
  // access need not.
  HANDLE held = CreateFileW(fs::u8path(path).wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  std::vector<FolderEntry> files;
  uint32_t error = 0;
  ASSERT_TRUE(ListPlainFiles(dir.path(), &files, &error)) << error;
  CloseHandle(held);
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ("busy.txt", files[0].name);
  EXPECT_FALSE(files[0].leadsOutside);
}
