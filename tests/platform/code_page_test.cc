// The plug-in's edges: text of a code page to and from UTF-8, exact or not
// at all (Windows only, under Wine).
#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

constexpr unsigned kWesternEurope = 1252;
constexpr unsigned kJapanese = 932;

TEST(CodePage, WesternTextConvertsBothWays) {
  std::string utf8;
  ASSERT_TRUE(CodePageToUtf8(kWesternEurope,
                             "Gr\xF6\xDF"
                             "e caf\xE9.txt",
                             &utf8));
  EXPECT_EQ(
      "Gr\xC3\xB6\xC3\x9F"
      "e caf\xC3\xA9.txt",
      utf8);
  std::string back;
  ASSERT_TRUE(Utf8ToCodePage(kWesternEurope, utf8, &back));
  EXPECT_EQ(
      "Gr\xF6\xDF"
      "e caf\xE9.txt",
      back);
}

// Windows would put a look-alike in place of each of these ("a", "O", "\"):
// a path that names another file. The conversion refuses instead.
TEST(CodePage, CharactersTheCodePageLacksAreRefusedNotReplaced) {
  std::string text = "unchanged";
  for (const char* utf8 :
       {"\xEF\xBD\x81.txt", "\xCE\xA9.txt", "sub\xEF\xBC\xBCy.txt", "\xE6\x97\xA5.txt", "\xF0\x9F\x98\x80.txt"}) {
    EXPECT_FALSE(Utf8ToCodePage(kWesternEurope, utf8, &text)) << utf8;
  }
  EXPECT_FALSE(Utf8ToCodePage(kWesternEurope, "caf\xE9", &text));  // not UTF-8 at all
}

// In code page 932 the second byte of a character may be 0x5C, the
// backslash: 表 is 0x95 0x5C. Converted whole, it is one character, and its
// UTF-8 holds no backslash that could be taken for a separator.
TEST(CodePage, DoubleByteCharactersWithABackslashTrailByteStayWhole) {
  std::string utf8;
  ASSERT_TRUE(CodePageToUtf8(kJapanese, "dir\\\x95\x5C.txt", &utf8));
  EXPECT_EQ("dir\\\xE8\xA1\xA8.txt", utf8);  // dir\表.txt
  EXPECT_EQ(1u, std::count(utf8.begin(), utf8.end(), '\\'));
  std::string back;
  ASSERT_TRUE(Utf8ToCodePage(kJapanese, utf8, &back));
  EXPECT_EQ("dir\\\x95\x5C.txt", back);
  EXPECT_FALSE(CodePageToUtf8(kJapanese, "cut \x95", &utf8));  // a lead byte without its trail byte
}

// Windows 10 and later may make UTF-8 the ANSI code page: every UTF-8 text
// is then its own ANSI form, and anything else is no text of it.
TEST(CodePage, UnderTheUtf8CodePageUtf8TextIsItsOwnForm) {
  constexpr unsigned kUtf8 = 65001;
  std::string text;
  ASSERT_TRUE(Utf8ToCodePage(kUtf8, "\xCE\xA9 \xE6\x97\xA5.zip", &text));
  EXPECT_EQ("\xCE\xA9 \xE6\x97\xA5.zip", text);
  ASSERT_TRUE(CodePageToUtf8(kUtf8, "C:\\T\\\xF0\x9F\x98\x80", &text));
  EXPECT_EQ("C:\\T\\\xF0\x9F\x98\x80", text);
  EXPECT_FALSE(Utf8ToCodePage(kUtf8, "caf\xE9", &text));
  EXPECT_FALSE(CodePageToUtf8(kUtf8, "\xED\xA0\x80", &text));
}

TEST(CodePage, EmptyTextIsEmptyBothWays) {
  std::string text = "x";
  EXPECT_TRUE(CodePageToUtf8(kJapanese, "", &text));
  EXPECT_EQ("", text);
  EXPECT_TRUE(Utf8ToCodePage(kJapanese, "", &text));
  EXPECT_EQ("", text);
}

}  // namespace
