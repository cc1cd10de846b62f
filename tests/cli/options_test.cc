// The command line of zapnest: which arguments make a command, and which
// values of SOURCE_DATE_EPOCH bound the entry times.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

// ParseOptions' message, or "" when the arguments make a command.
std::string Refusal(const Arguments& arguments, Options* options) {
  std::string error;
  return ParseOptions(arguments, options, &error) ? "" : error;
}

TEST(OptionParsing, FileModeTakesTheArchiveThenAtLeastOneFile) {
  Options options;
  EXPECT_EQ("", Refusal({"-q", "out.zip", "a.txt", "dir/b.txt"}, &options));
  EXPECT_TRUE(options.quiet);
  EXPECT_FALSE(options.folderMode);
  EXPECT_EQ("out.zip", options.archive);
  EXPECT_EQ((Arguments{"a.txt", "dir/b.txt"}), options.inputs);
  Options none;
  EXPECT_EQ("no files to add", Refusal({"out.zip", "--quiet"}, &none));
  EXPECT_EQ("no archive named", Refusal({"--quiet"}, &none));
}

TEST(OptionParsing, FolderModeTakesExactlyOneFolder) {
  Options options;
  EXPECT_EQ("", Refusal({"out.zip", "--folder", "dir"}, &options));  // an option counts wherever it stands
  EXPECT_TRUE(options.folderMode);
  EXPECT_EQ("out.zip", options.archive);
  EXPECT_EQ(Arguments{"dir"}, options.inputs);
  for (const Arguments& arguments : {Arguments{"--folder", "out.zip"}, Arguments{"--folder", "out.zip", "a", "b"}}) {
    Options other;
    EXPECT_EQ("--folder takes one folder", Refusal(arguments, &other)) << arguments.size();
  }
}

TEST(OptionParsing, EveryArgumentAfterADoubleDashIsAName) {
  Options options;
  EXPECT_EQ("", Refusal({"--", "-q.zip", "--folder", "--", "--help"}, &options));
  EXPECT_FALSE(options.quiet);
  EXPECT_FALSE(options.folderMode);
  EXPECT_FALSE(options.help);
  EXPECT_EQ("-q.zip", options.archive);
  EXPECT_EQ((Arguments{"--folder", "--", "--help"}), options.inputs);
}

TEST(OptionParsing, UnknownOptionsAreRefusedButALoneDashIsAName) {
  for (const char* option : {"-x", "--quite", "-qq", "--folder=dir", "---"}) {
    Options options;
    EXPECT_EQ(std::string("unknown option '") + option + "'", Refusal({"out.zip", option, "a"}, &options));
  }
  Options options;
  EXPECT_EQ("", Refusal({"out.zip", "-"}, &options));
  EXPECT_EQ(Arguments{"-"}, options.inputs);
}

TEST(OptionParsing, HelpAndVersionNeedNoArchiveButAnUnknownOptionStillFails) {
  Options shortHelp;
  EXPECT_EQ("", Refusal({"-h"}, &shortHelp));
  EXPECT_TRUE(shortHelp.help);
  Options version;
  EXPECT_EQ("", Refusal({"--version", "out.zip"}, &version));
  EXPECT_TRUE(version.version);
  EXPECT_FALSE(version.help);
  Options both;
  EXPECT_EQ("unknown option '--bogus'", Refusal({"--help", "--bogus"}, &both));
}

TEST(OptionParsing, ThreadsTakeACountFromZeroToOneThousandAndTwentyFour) {
  Options defaults;
  EXPECT_EQ("", Refusal({"out.zip", "a.txt"}, &defaults));
  EXPECT_EQ(0u, defaults.threads);  // as many as processors
  for (const auto& [arguments, threads] : {std::pair<Arguments, uint32_t>{{"--threads", "1", "o.zip", "a"}, 1},
                                           {{"o.zip", "--threads=8", "a"}, 8},
                                           {{"--threads", "0007", "o.zip", "a"}, 7},
                                           {{"--threads=1024", "o.zip", "a"}, 1024},
                                           {{"--threads", "0", "o.zip", "a"}, 0}}) {
    Options options;
    EXPECT_EQ("", Refusal(arguments, &options)) << arguments[1];
    EXPECT_EQ(threads, options.threads) << arguments[1];
    EXPECT_EQ("o.zip", options.archive);
  }
  for (const std::string bad : {"1025", "-1", "two", "", "4 ", "99999999999999999999"}) {
    Options options;
    EXPECT_EQ("--threads takes a number from 0 (as many as processors) to 1024, not '" + bad + "'",
              Refusal({"--threads=" + bad, "o.zip", "a"}, &options));
  }
  Options missing;
  EXPECT_EQ("--threads takes a number", Refusal({"o.zip", "a", "--threads"}, &missing));
  // After "--" it is a name like any other.
  Options named;
  EXPECT_EQ("", Refusal({"o.zip", "--", "--threads"}, &named));
  EXPECT_EQ(Arguments{"--threads"}, named.inputs);
}

TEST(SourceDateEpoch, UnsetOrEmptyBoundsNoTime) {
  for (const char* text : {static_cast<const char*>(nullptr), ""}) {
    Options options;
    std::string error;
    EXPECT_TRUE(ReadSourceDateEpoch(text, &options, &error));
    EXPECT_EQ(-1, options.latestTime);
    EXPECT_EQ("", error);
  }
}

// A decimal number: its leading zeros add no digits, however many there
// are, and a value past 18 digits is still too large behind them.
TEST(SourceDateEpoch, LeadingZerosAreAcceptedAsInAnyDecimalNumber) {
  for (const auto& [text, seconds] : {std::pair<const char*, int64_t>{"00000000000000000001", 1},
                                      {"0000000000000000000000000000000", 0},
                                      {"00", 0},
                                      {"0001709979337", 1709979337},
                                      {"0999999999999999999", 999999999999999999}}) {
    Options options;
    std::string error;
    EXPECT_TRUE(ReadSourceDateEpoch(text, &options, &error)) << text;
    EXPECT_EQ(seconds, options.latestTime) << text;
    EXPECT_EQ("", error) << text;
  }
}

TEST(SourceDateEpoch, OnlyPlainDigitsThatFitAreSeconds) {
  for (const auto& [text, seconds] : {std::pair<const char*, int64_t>{"0", 0},
                                      {"1709979337", 1709979337},
                                      {"007", 7},
                                      {"999999999999999999", 999999999999999999}}) {
    Options options;
    std::string error;
    EXPECT_TRUE(ReadSourceDateEpoch(text, &options, &error)) << text;
    EXPECT_EQ(seconds, options.latestTime) << text;
  }
  for (const char* text : {"-1", "+5", " 5", "5 ", "0x10", "1e9", "12a", "1.5", "1000000000000000000", "0-1", "00x1",
                           "0001000000000000000000"}) {
    Options options;
    std::string error;
    EXPECT_FALSE(ReadSourceDateEpoch(text, &options, &error)) << text;
    EXPECT_EQ(-1, options.latestTime) << text;
    EXPECT_EQ(std::string("SOURCE_DATE_EPOCH is '") + text + "', not a number of seconds since 1970", error);
  }
}

}  // namespace
