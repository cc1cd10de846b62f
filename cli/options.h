// The command line of `zapnest`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Exit codes.
enum ExitCode {
  ExitOk = 0,
  ExitUsage = 1,    // the command line or the files cannot make an archive; nothing written
  ExitFailed = 2,   // no archive was made; the output path is as it was
  ExitSkipped = 3,  // --folder: the archive was made, but some files were skipped
};

struct Options {
  bool help = false;
  bool version = false;
  bool quiet = false;
  bool folderMode = false;
  bool withSubfolders = false;  // --folder -r: the whole tree below DIR
  // --threads N: threads that deflate a large file; 0 for as many as the
  // machine has processors, 1 for the caller's thread alone.
  uint32_t threads = 0;
  std::string archive;              // OUT.zip
  std::vector<std::string> inputs;  // FILE... or the one DIR
  // From SOURCE_DATE_EPOCH: no entry time is later than these seconds since
  // 1970; -1 when it is not set.
  int64_t latestTime = -1;
};

// Reads the arguments after the program name. Returns false with a message
// in *error when they do not make a command.
bool ParseOptions(const std::vector<std::string>& arguments, Options* options, std::string* error);

// Reads SOURCE_DATE_EPOCH's value, `text` (null or empty when it is not
// set), into options->latestTime. Returns false with a message in *error
// when it is not a plain count of seconds.
bool ReadSourceDateEpoch(const char* text, Options* options, std::string* error);

// The text of --help.
const char* UsageText();

// The line of --version.
const char* VersionText();
