// The zip's path as the mail client takes it (under Wine): exact text of the
// code page, and short enough for its buffers counted in that code page's
// bytes.
#include "plugin/binding/mail_client_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr unsigned kWesternEurope = 1252;
constexpr unsigned kJapanese = 932;

std::string Repeated(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(MailClientPath, TakesExactTextOfTheCodePage) {
  std::string ansi;
  EXPECT_EQ(MailClientPathOk, MailClientPath("C:\\T\\caf\xC3\xA9.zip", kWesternEurope, &ansi));
  EXPECT_EQ("C:\\T\\caf\xE9.zip", ansi);
  EXPECT_EQ(MailClientPathNotInCodePage, MailClientPath("C:\\T\\\xCE\xA9.zip", kWesternEurope, &ansi));
  EXPECT_EQ(MailClientPathNotInCodePage, MailClientPath("C:\\T\\\xEF\xBD\x81.zip", kWesternEurope, &ansi));
}

// 表 is three bytes of UTF-8 and two of code page 932: between "C:\" and
// ".zip", 126 of them make a path of 259 bytes there, which fits, and 127
// one of 261, which does not, though both are far below 259 characters.
TEST(MailClientPath, CountsTheLimitInBytesOfTheCodePage) {
  std::string ansi;
  const std::string fits = "C:\\" + Repeated("\xE8\xA1\xA8", 126) + ".zip";  // 3 + 252 + 4 = 259 bytes
  ASSERT_EQ(MailClientPathOk, MailClientPath(fits, kJapanese, &ansi));
  EXPECT_EQ(259u, ansi.size());
  const std::string tooLong = "C:\\" + Repeated("\xE8\xA1\xA8", 127) + ".zip";  // 261 bytes
  EXPECT_EQ(MailClientPathTooLong, MailClientPath(tooLong, kJapanese, &ansi));
  EXPECT_EQ(MailClientPathTooLong, MailClientPath("C:\\" + std::string(256, 'z') + ".zip", kWesternEurope, &ansi));
}

}  // namespace
