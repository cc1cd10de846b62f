#include "cli/options.h"

namespace {

// The most --threads takes: far more than any machine has processors.
constexpr uint32_t kMostThreads = 1024;

// Reads `text` as a decimal number: digits only (no sign, no spaces, no
// hex), not empty, and after any leading zeros at most `mostDigits` of
// them, so that it fits: 0000000001 is 1, as a decimal number.
bool ReadDecimal(const std::string& text, size_t mostDigits, uint64_t* value) {
  const size_t firstSignificant = text.find_first_not_of('0');
  const size_t significantDigits = firstSignificant == std::string::npos ? 0 : text.size() - firstSignificant;
  if (text.empty() || significantDigits > mostDigits || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  *value = std::stoull(text);
  return true;
}

// Reads the count of --threads: 0 to kMostThreads.
bool ReadThreads(const std::string& text, uint32_t* threads, std::string* error) {
  uint64_t value = 0;
  if (!ReadDecimal(text, 4, &value) || value > kMostThreads) {
    *error = "--threads takes a number from 0 (as many as processors) to " + std::to_string(kMostThreads) + ", not '" +
             text + "'";
    return false;
  }
  *threads = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& arguments, Options* options, std::string* error) {
  bool optionsEnded = false;
  bool threadsNext = false;
  std::vector<std::string> positional;
  for (const std::string& argument : arguments) {
    if (threadsNext) {
      threadsNext = false;
      if (!ReadThreads(argument, &options->threads, error)) return false;
    } else if (!optionsEnded && argument == "--threads") {
      threadsNext = true;
    } else if (!optionsEnded && argument.compare(0, 10, "--threads=") == 0) {
      if (!ReadThreads(argument.substr(10), &options->threads, error)) return false;
    } else if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
      options->help = true;
    } else if (!optionsEnded && argument == "--version") {
      options->version = true;
    } else if (!optionsEnded && (argument == "-q" || argument == "--quiet")) {
      options->quiet = true;
    } else if (!optionsEnded && argument == "--folder") {
      options->folderMode = true;
    } else if (!optionsEnded && (argument == "-r" || argument == "--recurse")) {
      options->withSubfolders = true;
    } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
      *error = "unknown option '" + argument + "'";
      return false;
    } else {
      positional.push_back(argument);
    }
  }
  if (threadsNext) {
    *error = "--threads takes a number";
    return false;
  }
  if (options->help || options->version) return true;
  if (positional.empty()) {
    *error = "no archive named";
    return false;
  }
  options->archive = positional.front();
  options->inputs.assign(positional.begin() + 1, positional.end());
  if (options->withSubfolders && !options->folderMode) {
    *error = "-r (--recurse) goes with --folder";
    return false;
  }
  if (options->folderMode && options->inputs.size() != 1) {
    *error = "--folder takes one folder";
    return false;
  }
  if (!options->folderMode && options->inputs.empty()) {
    *error = "no files to add";
    return false;
  }
  return true;
}

bool ReadSourceDateEpoch(const char* text, Options* options, std::string* error) {
  if (text == nullptr || *text == '\0') return true;
  const std::string value(text);
  uint64_t seconds = 0;
  if (!ReadDecimal(value, 18, &seconds)) {
    *error = "SOURCE_DATE_EPOCH is '" + value + "', not a number of seconds since 1970";
    return false;
  }
  options->latestTime = static_cast<int64_t>(seconds);
  return true;
}

const char* UsageText() {
  return "usage: zapnest [-q] [--threads N] [--] OUT.zip FILE...\n"
         "       zapnest [-q] [--threads N] --folder [-r] [--] OUT.zip DIR\n"
         "       zapnest --version\n"
         "\n"
         "Makes one zip archive. Each FILE is entered under its bare file name;\n"
         "with --folder, every plain file directly inside DIR (no subfolders), and\n"
         "with --folder -r, every plain file below DIR under its path from DIR,\n"
         "and each folder none of whose files is entered as an entry of its own\n"
         "(links to folders are not followed).\n"
         "Files whose names end in .zip, .gz, .tgz, .z, .zoo, .arc, .lzh or .arj\n"
         "are stored as they are; all others are deflated.\n"
         "\n"
         "  -r, --recurse   with --folder: take the subfolders too\n"
         "  --threads N     deflate on N threads: large files in parts, small ones\n"
         "                  several at once (0, the default: as many as processors;\n"
         "                  1: on one); the archive's bytes are the same\n"
         "  -q, --quiet     print errors and warnings only, and no progress line (shown\n"
         "                  otherwise for files of 16 MiB or more on a terminal)\n"
         "  -h, --help      print this text\n"
         "  --version       print the version\n"
         "  --              end of options: every argument after it is a name\n"
         "\n"
         "Exit codes:\n"
         "  0  the archive was made with every file\n"
         "  1  nothing was written: the command line was wrong, OUT.zip is not a\n"
         "     regular file, is a link that cannot or may not be followed, or is one\n"
         "     of the inputs, or, without --folder, names would collide (also by\n"
         "     case), lead out of the folder they are extracted to, or could not be\n"
         "     extracted on Windows as they are (CON, a.txt., a?b ...)\n"
         "  2  no archive was made; whatever was at OUT.zip is left as it was\n"
         "  3  --folder: the archive was made, but files that could not be added\n"
         "     were skipped\n"
         "\n"
         "When SOURCE_DATE_EPOCH is set (seconds since 1970), no time in the archive\n"
         "is later than it, and DOS times are in UTC rather than local time, so that\n"
         "files built anew give the same archive in every time zone.\n"
         "\n"
         "The archive is written beside OUT.zip under a temporary name and takes its\n"
         "place only when it is complete. An archive holds at most 2 GiB, and no file\n"
         "of 4 GiB or more.\n";
}

const char* VersionText() { return "zapnest " ZAPNEST_VERSION "\n"; }
