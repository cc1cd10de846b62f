// UTF-8 and UTF-16 as the program converts them, against hand-made bytes.
#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8, RoundTripsEveryPlaneThroughUtf16) {
  // a, é, ａ (full-width), 日, 😀 (beyond the Basic Multilingual Plane), U+10FFFF.
  const std::string text = "a\xC3\xA9\xEF\xBD\x81\xE6\x97\xA5\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
  std::u16string units;
  ASSERT_TRUE(Utf8ToUtf16(text, &units));
  EXPECT_EQ((std::u16string{u'a', 0xE9, 0xFF41, 0x65E5, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF}), units);
  std::string back;
  ASSERT_TRUE(Utf16ToUtf8(units.data(), units.size(), &back));
  EXPECT_EQ(text, back);
  EXPECT_TRUE(IsValidUtf8(text));
  EXPECT_FALSE(IsAscii(text));
  EXPECT_TRUE(IsAscii("plain.txt"));
}

// Each of these would give a character two spellings, or none: overlong
// forms, surrogates, values past U+10FFFF, stray or missing continuation
// bytes.
TEST(Utf8, RefusesEveryMalformedSequence) {
  for (const char* bad : {"\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xED\xBF\xBF",
                          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80", "\x80", "\xBF", "\xC3",
                          "\xE6\x97", "\xF0\x9F\x98", "\xC3\x28", "caf\xE9"}) {
    const std::string text(bad);
    EXPECT_FALSE(IsValidUtf8(text)) << text;
    std::u16string units;
    EXPECT_FALSE(Utf8ToUtf16(text, &units)) << text;
  }
  // The last well-formed values of each length pass.
  for (const char* good : {"\x7F", "\xDF\xBF", "\xEF\xBF\xBF", "\xED\x9F\xBF", "\xEE\x80\x80", "\xF4\x8F\xBF\xBF"}) {
    EXPECT_TRUE(IsValidUtf8(good)) << good;
  }
}

// Windows lets a name hold half of a surrogate pair; no UTF-8 can say it, so
// the exact conversion refuses it and only the one for showing replaces it.
TEST(Utf8, UnpairedSurrogatesAreRefusedAndOnlyShownAsReplacements) {
  const char16_t lonelyHigh[] = {u'x', 0xD800, u'.', u't'};
  const char16_t lonelyLow[] = {0xDC00, u'y'};
  const char16_t reversed[] = {0xDE00, 0xD83D};
  std::string out;
  EXPECT_FALSE(Utf16ToUtf8(lonelyHigh, 4, &out));
  EXPECT_FALSE(Utf16ToUtf8(lonelyLow, 2, &out));
  EXPECT_FALSE(Utf16ToUtf8(reversed, 2, &out));
  EXPECT_EQ("x\xEF\xBF\xBD.t", Utf16ToUtf8ForDisplay(lonelyHigh, 4));
  EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD", Utf16ToUtf8ForDisplay(reversed, 2));
  const char16_t highAtTheEnd[] = {u'a', 0xD83D};
  EXPECT_FALSE(Utf16ToUtf8(highAtTheEnd, 2, &out));
}

TEST(Utf8, AsciiUpperCaseLeavesEveryOtherByteAlone) {
  EXPECT_EQ("CON.TXT", AsciiUpperCase("con.txt"));
  EXPECT_EQ("CAF\xC3\xA9 \xE9@[`{", AsciiUpperCase("caf\xC3\xA9 \xE9@[`{"));
}

TEST(Utf8, DecodesOneCharacterAtATime) {
  const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80";
  uint32_t codePoint = 0;
  EXPECT_EQ(1u, DecodeUtf8(text.data(), text.size(), 0, &codePoint));
  EXPECT_EQ(0x61u, codePoint);
  EXPECT_EQ(2u, DecodeUtf8(text.data(), text.size(), 1, &codePoint));
  EXPECT_EQ(0xE9u, codePoint);
  EXPECT_EQ(4u, DecodeUtf8(text.data(), text.size(), 3, &codePoint));
  EXPECT_EQ(0x1F600u, codePoint);
  // A character the length cuts short is no character.
  EXPECT_EQ(0u, DecodeUtf8(text.data(), 5, 3, &codePoint));
}

}  // namespace
