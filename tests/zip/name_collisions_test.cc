// Names one archive cannot hold side by side, judged as Windows extracts
// them, with the platform's own case folding.
#include "zip/name_collisions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The collision the second name meets after the first was taken.
NameCollision Between(const std::string& first, const std::string& second) {
  EntryNameSet set;
  size_t earlier = 99;
  EXPECT_EQ(NoCollision, TakeEntryName(&set, first, 0, &earlier));
  const NameCollision found = TakeEntryName(&set, second, 1, &earlier);
  if (found != NoCollision) {
    EXPECT_EQ(0u, earlier);
  }
  return found;
}

TEST(NameCollisions, EqualNamesAndNamesThatDifferOnlyInCase) {
  EXPECT_EQ(NamesAreEqual, Between("a.txt", "a.txt"));
  EXPECT_EQ(NamesAreEqual, Between("dir\\a.txt", "dir/a.txt"));  // one name once backslashes are separators
  EXPECT_EQ(NamesDifferInCase, Between("a.txt", "A.TXT"));
  EXPECT_EQ(NamesDifferInCase, Between("\xC3\x84rger.txt", "\xC3\xA4rger.txt"));  // Ärger / ärger
  EXPECT_EQ(NamesDifferInCase, Between("\xCE\xA9.txt", "\xCF\x89.txt"));          // Ω / ω
  EXPECT_EQ(NamesDifferInCase, Between("\xEF\xBD\x81.txt", "\xEF\xBC\xA1.txt"));  // ａ / Ａ
  EXPECT_EQ(NoCollision, Between("a.txt", "\xEF\xBD\x81.txt"));                   // a / ａ: two names
  EXPECT_EQ(NoCollision, Between("O.txt", "\xCE\xA9.txt"));                       // O / Ω
  EXPECT_EQ(NoCollision, Between("a.txt", "a.txt.bak"));
  // Windows' tables fold only the Basic Multilingual Plane: Deseret 𐐀 and 𐐨
  // are two names there.
  EXPECT_EQ(NoCollision, Between("\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"));
  // Nor do they fold the letters whose upper case leads back to another.
  EXPECT_EQ(NoCollision, Between("\xC4\xB1spanak.txt", "Ispanak.txt"));  // ı / I
  EXPECT_EQ(NoCollision, Between("\xCF\x82.txt", "\xCF\x83.txt"));       // ς / σ
  EXPECT_EQ(NoCollision, Between("\xC2\xB5m.txt", "\xCE\x9Cm.txt"));     // µ / Μ
}

// A file cannot also be a folder: "a" beside "a/b.txt" fails in every reader
// on the second, in either order, at any depth, also across case.
TEST(NameCollisions, ANameThatIsTheFolderOfAnother) {
  EXPECT_EQ(NameIsOthersFolder, Between("a", "a/b.txt"));
  EXPECT_EQ(NameIsOthersFolder, Between("a/b.txt", "a"));
  EXPECT_EQ(NameIsOthersFolder, Between("a", "a\\b.txt"));
  EXPECT_EQ(NameIsOthersFolder, Between("A", "a/b/c.txt"));
  EXPECT_EQ(NameIsOthersFolder, Between("x/y/z.txt", "X/Y"));
  EXPECT_EQ(NoCollision, Between("a/b.txt", "a/c.txt"));
  EXPECT_EQ(NoCollision, Between("ab", "a/b"));
  EXPECT_EQ(NoCollision, Between("sub\xEF\xBC\xBCy.txt", "sub"));  // a full-width backslash separates nothing
}

TEST(NameCollisions, ACollidingNameIsNotTakenAndTheEarlierOneIsNamed) {
  EntryNameSet set;
  size_t earlier = 0;
  const std::vector<std::string> names = {"one.txt", "two.txt", "ONE.TXT", "three.txt", "Two.txt"};
  std::vector<NameCollision> found;
  std::vector<size_t> earlierOnes;
  for (size_t i = 0; i < names.size(); ++i) {
    found.push_back(TakeEntryName(&set, names[i], i, &earlier));
    earlierOnes.push_back(found.back() == NoCollision ? 99 : earlier);
  }
  EXPECT_EQ((std::vector<NameCollision>{NoCollision, NoCollision, NamesDifferInCase, NoCollision, NamesDifferInCase}),
            found);
  EXPECT_EQ((std::vector<size_t>{99, 99, 0, 99, 1}), earlierOnes);
  EXPECT_EQ(3u, set.files.size());
}

}  // namespace
