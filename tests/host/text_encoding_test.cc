// The development host's conversions between UTF-8, UTF-16 and the ANSI code
// page, under Wine. The ANSI cases need a code page to reason about: Wine
// picks 1252 for the C.UTF-8 and English locales; under another they are
// skipped.
#include "host/text_encoding.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextEncoding, UTF8AndUTF16CarryEveryPlaneBothWays) {
  // Ω (two UTF-8 bytes), 日 (three), 😀 (four, a surrogate pair in UTF-16),
  // full-width a and full-width backslash.
  const std::string utf8 = "\xCE\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80 \xEF\xBD\x81\xEF\xBC\xBC.txt";
  const std::wstring wide = L"\x03A9 \x65E5 \xD83D\xDE00 \xFF41\xFF3C.txt";
  EXPECT_EQ(wide, WideFromUtf8(utf8));
  EXPECT_EQ(utf8, Utf8FromWide(wide));
}

TEST(TextEncoding, EmptyTextsStayEmpty) {
  EXPECT_EQ(std::wstring(), WideFromUtf8(""));
  EXPECT_EQ(std::string(), Utf8FromWide(L""));
  EXPECT_EQ(std::string(), Utf8FromAnsi(""));
  EXPECT_EQ(std::string(), Utf8FromAnsi(nullptr));
  std::string ansi = "left over";
  EXPECT_TRUE(AnsiFromWideExactly(L"", &ansi));
  EXPECT_EQ("", ansi);
}

class AnsiCodePage1252 : public testing::Test {
 protected:
  void SetUp() override {
    if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 1252";
  }
};

TEST_F(AnsiCodePage1252, AnsiTextBecomesUTF8) {
  EXPECT_EQ(
      "C:\\Gr\xC3\xB6\xC3\x9F"
      "e caf\xC3\xA9.txt",
      Utf8FromAnsi("C:\\Gr\xF6\xDF"
                   "e caf\xE9.txt"));
}

TEST_F(AnsiCodePage1252, ANameTheCodePageHoldsHasAnExactForm) {
  std::string ansi;
  ASSERT_TRUE(
      AnsiFromWideExactly(L"C:\\Gr\x00F6\x00DF"
                          L"e caf\x00E9\\",
                          &ansi));
  EXPECT_EQ(
      "C:\\Gr\xF6\xDF"
      "e caf\xE9\\",
      ansi);
}

TEST_F(AnsiCodePage1252, LookAlikesAndDefaultCharactersAreRefused) {
  // Ω has no form at all (the default character); full-width a, full-width
  // backslash and the emoji have look-alikes or none.
  for (const wchar_t* name : {L"C:\\\x03A9\\", L"C:\\\xFF41.txt", L"C:\\sub\xFF3Cy.txt", L"C:\\\xD83D\xDE00.txt",
                              L"C:\\\x65E5\x672C\x8A9E\\"}) {
    std::string ansi = "untouched";
    EXPECT_FALSE(AnsiFromWideExactly(name, &ansi)) << Utf8FromWide(name);
    EXPECT_EQ("untouched", ansi);
  }
}

}  // namespace
