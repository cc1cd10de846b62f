// What the command shows of a name on a terminal: controls of every kind as
// escapes, bytes that are not UTF-8 as escapes, letters as they are.
#include "cli/shown_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ShownText, LettersOfEveryScriptStayAsTheyAre) {
  for (const std::string& text : {std::string("report 2024.txt"),
                                  std::string("Gr\xC3\xB6\xC3\x9F"
                                              "e.txt"),
                                  std::string("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"), std::string("\xF0\x9F\x98\x80"),
                                  std::string("\xC2\xA0nbsp and \xC3\xBF")}) {
    EXPECT_EQ(text, ShownText(text));
  }
}

TEST(ShownText, C0ControlsAndDeleteAreEscaped) {
  EXPECT_EQ("a\\nb\\rc\\td", ShownText("a\nb\rc\td"));
  EXPECT_EQ("\\x1b[2J\\x07\\x7f", ShownText("\x1b[2J\x07\x7f"));
  EXPECT_EQ("x\\x00y", ShownText(std::string("x\0y", 3)));
}

TEST(ShownText, C1ControlsAreEscapedAsCodePoints) {
  // U+009B is CSI, U+009D OSC, U+0085 NEL: a terminal that takes UTF-8
  // acts on them as on ESC [, ESC ] and a new line.
  EXPECT_EQ("a\\u009b2Jb", ShownText("a\xC2\x9B"
                                     "2Jb"));
  EXPECT_EQ("\\u009d0;title\\u009c", ShownText("\xC2\x9D"
                                               "0;title\xC2\x9C"));
  EXPECT_EQ("\\u0080\\u0085\\u009f", ShownText("\xC2\x80\xC2\x85\xC2\x9F"));
  // The neighbours are printable.
  EXPECT_EQ("\xC2\xA0", ShownText("\xC2\xA0"));
}

TEST(ShownText, BytesThatAreNotUtf8AreEscapedOneByOne) {
  EXPECT_EQ("\\x9b2J", ShownText("\x9b"
                                 "2J"));                    // CSI to an 8-bit terminal
  EXPECT_EQ("caf\\xe9.txt", ShownText("caf\xE9.txt"));      // Latin-1
  EXPECT_EQ("\\xc0\\xaf", ShownText("\xC0\xAF"));           // overlong '/'
  EXPECT_EQ("\\xed\\xa0\\x80", ShownText("\xED\xA0\x80"));  // a surrogate
  EXPECT_EQ("a\\xe6\\x97", ShownText("a\xE6\x97"));         // cut short at the end
  EXPECT_EQ("\\xe6\\x97a", ShownText("\xE6\x97"
                                     "a"));              // cut short before a letter
  EXPECT_EQ("\\xc2\\u0085", ShownText("\xC2\xC2\x85"));  // a stray lead before a C1 control
}

}  // namespace
