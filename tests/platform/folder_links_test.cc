// Links in a folder that is zipped: the listing says which lead out of the
// folder, resolved by the system rather than read as text, and which file
// each name reached; the writer refuses a name that reaches another file
// by the time it is opened. POSIX: real symbolic links in a real folder.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "platform/folder_listing.h"
#include "platform/platform.h"
#include "tests/support/listed_files.h"
#include "tests/support/test_files.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

void Link(const std::string& text, const std::string& path) {
  ASSERT_EQ(0, symlink(text.c_str(), path.c_str())) << path;
}

FileIdentity IdentityAt(const std::string& path) {
  struct stat status;
  EXPECT_EQ(0, stat(path.c_str(), &status)) << path;
  return FileIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

// root/share is the folder zipped; root/private and root/sharebc lie beside
// it, root/share/sub inside it.
struct Tree {
  TempDir root;
  std::string share = root.File("share");
  std::string secret = root.File("private/id_rsa");
  Tree() {
    mkdir(root.File("private").c_str(), 0700);
    mkdir(share.c_str(), 0755);
    mkdir(root.File("share/sub").c_str(), 0755);
    mkdir(root.File("sharebc").c_str(), 0755);
    WriteWholeFile(secret, Bytes("secret key\n"));
    WriteWholeFile(root.File("sharebc/x.txt"), Bytes("beside the folder\n"));
    WriteWholeFile(root.File("share/plain.txt"), Bytes("plain\n"));
    WriteWholeFile(root.File("share/sub/deep.txt"), Bytes("deep\n"));
  }
  std::string In(const std::string& name) const { return root.File("share/" + name); }
};

TEST(FolderLinks, LinksThatLeadOutOfTheFolderAreMarkedWhereverTheirTextPoints) {
  Tree tree;
  Link("../private/id_rsa", tree.In("notes.txt"));
  Link(tree.secret, tree.In("absolute.txt"));
  Link("sub/../../private/id_rsa", tree.In("climbs.txt"));
  Link("../sharebc/x.txt", tree.In("sibling.txt"));   // "share" is a prefix of "sharebc", not its folder
  Link("notes.txt", tree.In("via-inside-link.txt"));  // a link inside that leads to one that leads out
  Link("/etc/passwd", tree.In("system.txt"));
  const auto listed = ListByName(tree.share);
  for (const char* name :
       {"notes.txt", "absolute.txt", "climbs.txt", "sibling.txt", "via-inside-link.txt", "system.txt"}) {
    ASSERT_EQ(1u, listed.count(name)) << name;
    EXPECT_TRUE(listed.at(name).leadsOutside) << name;
    EXPECT_EQ(IdentityAt(tree.In(name)), listed.at(name).identity) << name;
  }
  EXPECT_FALSE(listed.at("plain.txt").leadsOutside);
}

TEST(FolderLinks, LinksThatStayInsideAreFilesOfTheFolder) {
  Tree tree;
  Link("plain.txt", tree.In("alias.txt"));
  Link("sub/deep.txt", tree.In("deep-alias.txt"));
  Link(tree.In("sub/deep.txt"), tree.In("absolute-alias.txt"));
  Link("alias.txt", tree.In("alias-of-alias.txt"));
  Link("./sub/../plain.txt", tree.In("winding.txt"));
  const auto listed = ListByName(tree.share);
  for (const auto& [name, target] : std::map<std::string, std::string>{{"alias.txt", "plain.txt"},
                                                                       {"deep-alias.txt", "sub/deep.txt"},
                                                                       {"absolute-alias.txt", "sub/deep.txt"},
                                                                       {"alias-of-alias.txt", "plain.txt"},
                                                                       {"winding.txt", "plain.txt"},
                                                                       {"plain.txt", "plain.txt"}}) {
    ASSERT_EQ(1u, listed.count(name)) << name;
    EXPECT_FALSE(listed.at(name).leadsOutside) << name;
    EXPECT_EQ(IdentityAt(tree.In(target)), listed.at(name).identity) << name;
    EXPECT_EQ(ReadWholeFile(tree.In(target)).size(), listed.at(name).size) << name;
  }
}

TEST(FolderLinks, TheFolderNamedThroughALinkJudgesLinksByWhereItLies) {
  Tree tree;
  Link("plain.txt", tree.In("alias.txt"));
  Link("../private/id_rsa", tree.In("notes.txt"));
  Link("share", tree.root.File("alias-of-share"));
  const auto listed = ListByName(tree.root.File("alias-of-share"));
  ASSERT_EQ(1u, listed.count("alias.txt"));
  EXPECT_FALSE(listed.at("alias.txt").leadsOutside);
  ASSERT_EQ(1u, listed.count("notes.txt"));
  EXPECT_TRUE(listed.at("notes.txt").leadsOutside);
}

TEST(FolderLinks, LinksToNothingOrToFoldersAreNotListed) {
  Tree tree;
  Link("missing.txt", tree.In("dangling.txt"));
  Link("sub", tree.In("folder-alias"));
  Link("loop-b", tree.In("loop-a"));
  Link("loop-a", tree.In("loop-b"));
  const auto listed = ListByName(tree.share);
  for (const char* name : {"dangling.txt", "folder-alias", "loop-a", "loop-b", "sub"}) {
    EXPECT_EQ(0u, listed.count(name)) << name;
  }
  EXPECT_EQ(1u, listed.count("plain.txt"));
}

// What the folder command does between listing and adding: a name the
// listing saw as one file may be given to another, or to a link, before the
// writer opens it.
TEST(FolderLinks, AFileSwappedAfterTheListingIsRefusedAndTheArchiveTakesTheRest) {
  Tree tree;
  WriteWholeFile(tree.In("kept.txt"), Bytes("kept\n"));
  WriteWholeFile(tree.In("other.txt"), Bytes("other\n"));
  const auto listed = ListByName(tree.share);
  ASSERT_EQ(1u, listed.count("plain.txt"));
  ASSERT_EQ(1u, listed.count("other.txt"));
  // plain.txt becomes a link out of the folder, other.txt another file,
  // both in one step as an attacker's rename would.
  Link("../private/id_rsa", tree.In("swap.tmp"));
  ASSERT_EQ(0, rename(tree.In("swap.tmp").c_str(), tree.In("plain.txt").c_str()));
  WriteWholeFile(tree.In("swap.tmp"), Bytes("not the file listed\n"));
  ASSERT_EQ(0, rename(tree.In("swap.tmp").c_str(), tree.In("other.txt").c_str()));

  const std::string archivePath = tree.root.File("out.zip");
  ZipArchive* archive = nullptr;
  ASSERT_EQ(ArchiveOk, CreateArchiveOnFile(archivePath.c_str(), &archive).code);
  for (const char* name : {"plain.txt", "other.txt"}) {
    const ArchiveStatus failure =
        AddListedFileToArchive(archive, name, tree.In(name).c_str(), listed.at(name).identity);
    EXPECT_EQ(ArchiveOpenFailed, failure.code) << name;
    EXPECT_EQ(FailedSourceNotListed, failure.reason) << name;
    EXPECT_TRUE(IsSourceFailure(failure)) << name;
  }
  EXPECT_EQ(
      ArchiveOk,
      AddListedFileToArchive(archive, "kept.txt", tree.In("kept.txt").c_str(), listed.at("kept.txt").identity).code);
  ASSERT_EQ(ArchiveOk, CloseArchive(archive).code);

  const ReadArchive read = ReadZip(ReadWholeFile(archivePath));
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(1u, read.entries.size());
  EXPECT_EQ("kept.txt", read.entries[0].name);
  EXPECT_EQ(Bytes("kept\n"), read.entries[0].data);
}

}  // namespace
