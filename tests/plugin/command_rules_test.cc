// The commands' rules that need no dialog: the selection buffer, the folder
// question, and the zip name dialog's texts and temporary-folder test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/commands/mail_size.h"
#include "plugin/commands/rejected_types.h"
#include "plugin/commands/selection.h"
#include "plugin/commands/texts.h"
#include "plugin/commands/zip_name_rules.h"

namespace {

std::vector<std::string> Split(const std::string& buffer, bool* ok) {
  std::vector<std::string> parts;
  *ok = SplitSelection(buffer.data(), buffer.size(), &parts);
  return parts;
}

TEST(Selection, OnePathOrAFolderAndItsNames) {
  bool ok = false;
  EXPECT_EQ((std::vector<std::string>{"C:\\data\\a.txt"}), Split(std::string("C:\\data\\a.txt\0\0", 16), &ok));
  EXPECT_TRUE(ok);
  const std::string several("C:\\data\0a.txt\0b c.txt\0\0", 23);
  EXPECT_EQ((std::vector<std::string>{"C:\\data", "a.txt", "b c.txt"}), Split(several, &ok));
  EXPECT_TRUE(ok);
  // The closing empty string in the buffer's very last byte still counts.
  EXPECT_EQ((std::vector<std::string>{"ab"}), Split(std::string("ab\0\0", 4), &ok));
  EXPECT_TRUE(ok);
}

TEST(Selection, AListThatDoesNotCloseInsideTheBufferIsRefused) {
  bool ok = true;
  Split(std::string("C:\\data\0a.txt\0b.t", 17), &ok);  // cut inside a name
  EXPECT_FALSE(ok);
  Split(std::string("C:\\data\0a.txt\0", 14), &ok);  // every name ends, the list does not
  EXPECT_FALSE(ok);
  Split(std::string("abc", 3), &ok);
  EXPECT_FALSE(ok);
  Split(std::string("\0\0", 2), &ok);  // nothing chosen
  EXPECT_FALSE(ok);
  std::vector<std::string> parts;
  EXPECT_FALSE(SplitSelection("x", 0, &parts));
}

// The wide dialog's buffer, counted in UTF-16 units, surrogate pairs and all.
TEST(Selection, WideBuffersSplitTheSameWay) {
  constexpr char16_t kBuffer[] = u"C:\\data\0\uFF41.txt\0\U0001F600.txt\0";  // and the literal's own NUL
  const std::u16string several(kBuffer, sizeof kBuffer / sizeof kBuffer[0]);
  std::vector<std::u16string> parts;
  ASSERT_TRUE(SplitSelection(several.data(), several.size(), &parts));
  EXPECT_EQ((std::vector<std::u16string>{u"C:\\data", u"\uFF41.txt", u"\U0001F600.txt"}), parts);
  EXPECT_FALSE(SplitSelection(several.data(), several.size() - 1, &parts));
}

TEST(SizeQuestion, CountsBytesThenWholeKilobytesThenWholeMegabytes) {
  const auto figure = [](uint64_t total) {
    const std::string text = SizeQuestion(3, total);
    return text.substr(text.find("size of ") + 8);
  };
  EXPECT_EQ("Create zip from 3 files with a total size of 0 bytes?", SizeQuestion(3, 0));
  EXPECT_EQ("1024 bytes?", figure(1024));
  EXPECT_EQ("1 KB?", figure(1025));
  EXPECT_EQ("1 KB?", figure(2047));
  EXPECT_EQ("1024 KB?", figure(1048576));
  EXPECT_EQ("1 MB?", figure(1048577));
  EXPECT_EQ("3072 MB?", figure(3ull << 30));
  EXPECT_EQ("Create zip from 1 files with a total size of 5 bytes?", SizeQuestion(1, 5));
}

TEST(ZipNameRules, TheTemporaryFolderIsAPrefixByteForByteWithCase) {
  const std::string temp = "C:\\Orvel\\Temp\\";
  EXPECT_TRUE(IsInsideFolder("C:\\Orvel\\Temp\\a.zip", temp));
  EXPECT_TRUE(IsInsideFolder("C:\\Orvel\\Temp\\sub\\a.zip", temp));
  EXPECT_FALSE(IsInsideFolder("C:\\orvel\\temp\\a.zip", temp));  // the same folder to Windows, not to the rule
  EXPECT_FALSE(IsInsideFolder("C:\\Orvel\\Temp", temp));
  EXPECT_FALSE(IsInsideFolder("D:\\a.zip", temp));
  EXPECT_TRUE(IsInsideFolder("D:\\a.zip", ""));  // no temporary folder: nothing to warn about
}

TEST(ZipNameRules, ATemporaryFolderWithoutSeparatorHoldsOnlyWhatLiesBelowIt) {
  const std::string temp = "C:\\p2\\temp";
  EXPECT_TRUE(IsInsideFolder("C:\\p2\\temp\\x.zip", temp));
  EXPECT_TRUE(IsInsideFolder("C:\\p2\\temp/x.zip", temp));
  EXPECT_TRUE(IsInsideFolder("C:\\p2\\temp\\sub\\x.zip", temp));
  EXPECT_FALSE(IsInsideFolder("C:\\p2\\tempother\\x.zip", temp));  // a sibling whose name begins alike
  EXPECT_FALSE(IsInsideFolder("C:\\p2\\temp.zip", temp));
  EXPECT_FALSE(IsInsideFolder("C:\\p2\\temp", temp));
  EXPECT_FALSE(IsInsideFolder("C:\\P2\\TEMP\\x.zip", temp));  // still with case
  // A folder given with a forward slash at its end holds what follows it.
  EXPECT_TRUE(IsInsideFolder("C:/p2/temp/x.zip", "C:/p2/temp/"));
  EXPECT_FALSE(IsInsideFolder("C:/p2/tempother/x.zip", "C:/p2/temp/"));
}

TEST(ZipNameRules, TextsAndTheProposedName) {
  EXPECT_EQ(
      "If you save the zip archive to a folder other than 'C:\\T\\' it won't be automatically deleted upon "
      "closing Orvel!\nAre you sure you want to do this?",
      SaveWarningText("C:\\T\\"));
  EXPECT_EQ("report.txt.zip", ZipNameForFile("report.txt"));
  EXPECT_EQ("There is not enough space to create 'T:\\a.zip'. Please choose a different folder!",
            NoSpaceText("T:\\a.zip"));
}

TEST(ZipNameRules, MessagesNameTheFilesTheyAreAbout) {
  EXPECT_EQ(
      "'C:\\d\\a.txt' and 'C:\\d\\A.TXT' cannot both be added: Windows would extract them as one file. "
      "Creation of zip archive cancelled.",
      CollisionText("C:\\d\\a.txt", "C:\\d\\A.TXT", NamesDifferInCase));
  EXPECT_NE(std::string::npos, CollisionText("a", "a\\b.txt", NameIsOthersFolder).find("a folder of the other"));
  EXPECT_EQ(0u, NotAttachableText("C:\\T\\\xCE\xA9.zip").find("Orvel! cannot attach 'C:\\T\\\xCE\xA9.zip'"));
}

TEST(FolderMessages, AnEmptyFolderAndAnUnreadableOneAreToldApartAndBothCancel) {
  EXPECT_EQ("There are no files in folder 'C:\\Empty'. Creation of zip archive cancelled.", NoFilesText("C:\\Empty"));
  EXPECT_EQ("Cannot read folder 'C:\\Locked': access denied. Creation of zip archive cancelled.",
            UnreadableFolderText("C:\\Locked", "access denied"));
}

TEST(LeftOutQuestion, NamesTheFirstTenAndCountsTheRest) {
  EXPECT_EQ("1 file could not be added to the zip archive:\n\nlocked.txt\n\nAttach the zip archive without it?",
            LeftOutQuestion({"locked.txt"}));
  std::vector<std::string> names;
  for (int i = 0; i < 10; ++i) names.push_back("f" + std::to_string(i));
  const std::string ten = LeftOutQuestion(names);
  EXPECT_EQ(0u, ten.find("10 files could not be added to the zip archive:\n\nf0\nf1\n"));
  EXPECT_NE(std::string::npos, ten.find("\nf9\n\nAttach the zip archive without them?"));
  EXPECT_EQ(std::string::npos, ten.find("more"));
  names.push_back("f10");
  names.push_back("f11");
  const std::string twelve = LeftOutQuestion(names);
  EXPECT_NE(std::string::npos, twelve.find("\nf9\nand 2 more.\n\nAttach"));
  EXPECT_EQ(std::string::npos, twelve.find("f10"));
}

// The base64 of `bytes` bytes as a mail client sends it, built character by
// character: lines of 76, each ended by CR LF.
size_t Base64LinesLength(size_t bytes) {
  std::string text;
  size_t column = 0;
  for (size_t group = 0; group < (bytes + 2) / 3; ++group) {
    for (int character = 0; character < 4; ++character) {
      text += 'A';
      if (++column == 76) {
        text += "\r\n";
        column = 0;
      }
    }
  }
  if (column != 0) text += "\r\n";
  return text.size();
}

TEST(MailSize, AZipTakesItsBase64LinesInAMessage) {
  for (size_t bytes = 0; bytes < 400; ++bytes) EXPECT_EQ(Base64LinesLength(bytes), SizeInMessage(bytes)) << bytes;
  EXPECT_EQ(Base64LinesLength(16u << 20), SizeInMessage(16u << 20));
  // About 1.37 times the zip.
  EXPECT_EQ(22958300u, SizeInMessage(16u << 20));
}

TEST(MailSize, TheLimitCountsMillionsOfBytesAndZeroTurnsItOff) {
  uint64_t largest = 0;  // the largest zip that still goes in 20 MB
  while (SizeInMessage(largest + 57) <= 20000000) largest += 57;
  while (SizeInMessage(largest + 1) <= 20000000) ++largest;
  EXPECT_FALSE(TooLargeToMail(largest, 20));
  EXPECT_TRUE(TooLargeToMail(largest + 1, 20));
  EXPECT_FALSE(TooLargeToMail(uint64_t{1} << 40, 0));
  EXPECT_EQ("0.0", MegabytesText(0));
  EXPECT_EQ("0.1", MegabytesText(1));
  EXPECT_EQ("0.1", MegabytesText(100000));
  EXPECT_EQ("0.2", MegabytesText(100001));
  EXPECT_EQ("20.1", MegabytesText(20000001));
  EXPECT_EQ("16.8", MegabytesText(16u << 20));
}

TEST(AttachQuestion, SaysTheSizeAloneOrBesideTheFilesLeftOut) {
  const std::string size = MailSizeText("C:\\Temp\\big.zip", 16u << 20, 20);
  EXPECT_EQ(
      "The zip archive 'C:\\Temp\\big.zip' is 16.8 MB; in a mail message it takes 23.0 MB.\n"
      "Many mail servers refuse messages larger than 20 MB.\n\nAttach it anyway?",
      AttachQuestion({}, size));
  EXPECT_EQ(
      "2 files could not be added to the zip archive:\n\na.txt\nb.txt\n\n" + size + "\nAttach it anyway, without them?",
      AttachQuestion({"a.txt", "b.txt"}, size));
  EXPECT_EQ(LeftOutQuestion({"a.txt"}), AttachQuestion({"a.txt"}, ""));
}

TEST(RejectedTypes, TheSettingNamesSuffixesInAnyForm) {
  EXPECT_EQ((std::vector<std::string>{"exe", "bat", "js", "cmd", "tar.gz"}),
            ParseRejectedTypes(" .EXE, *.bat;js  cmd\t.tar.gz "));
  EXPECT_TRUE(ParseRejectedTypes("").empty());
  EXPECT_TRUE(ParseRejectedTypes(" , ; ").empty());
  const std::vector<std::string> types = ParseRejectedTypes(kDefaultRejectedTypes);
  for (const char* name : {"setup.exe", "RUN.BAT", "docs/install.MSI", "tool.ps1", "disk.iso", "app.msix"}) {
    EXPECT_TRUE(HasRejectedType(name, types)) << name;
  }
  for (const char* name : {"notes.txt", "exe", "a.exe/readme", "photo.jpg", "archive.zip", "setup.exe.txt"}) {
    EXPECT_FALSE(HasRejectedType(name, types)) << name;
  }
  EXPECT_FALSE(HasRejectedType("setup.exe", {}));
}

TEST(RefusedFilesQuestion, NamesTheFirstTenWithTheReasonOfAnEncryptedZip) {
  EXPECT_EQ(
      "1 file is of a kind that many mail services refuse in a zip archive, and with it the whole message:\n\n"
      "setup.exe\n\nLeave it out of the zip archive?",
      RefusedFilesQuestion({{"setup.exe", false}}));
  std::vector<RefusedFile> files{{"secret.zip", true}};
  for (int i = 0; i < 11; ++i) files.push_back({"run" + std::to_string(i) + ".bat", false});
  const std::string twelve = RefusedFilesQuestion(files);
  EXPECT_EQ(0u, twelve.find("12 files are of kinds that many mail services refuse in a zip archive, and with it the "
                            "whole message:\n\nsecret.zip (an encrypted zip archive, which they cannot look into)\n"
                            "run0.bat\n"));
  EXPECT_NE(std::string::npos, twelve.find("\nrun8.bat\nand 2 more.\n\nLeave them out of the zip archive?"));
}

}  // namespace
