#include "writer/temporary_name.h"

namespace {

constexpr char kPrefix[] = ".zapnest-";
constexpr char kSuffix[] = ".tmp";

// Skips one or more ASCII digits from `at`; returns where they end, or
// `at` itself when there is none.
size_t SkipDigits(const std::string& text, size_t at) {
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
  return at;
}

}  // namespace

std::string TemporaryName(uint32_t process, uint32_t attempt) {
  return kPrefix + std::to_string(process) + "-" + std::to_string(attempt) + kSuffix;
}

bool IsTemporaryName(const std::string& name) {
  const size_t prefixLength = sizeof kPrefix - 1;
  if (name.compare(0, prefixLength, kPrefix) != 0) return false;
  const size_t processEnd = SkipDigits(name, prefixLength);
  if (processEnd == prefixLength || processEnd >= name.size() || name[processEnd] != '-') return false;
  const size_t attemptEnd = SkipDigits(name, processEnd + 1);
  return attemptEnd > processEnd + 1 && name.compare(attemptEnd, std::string::npos, kSuffix) == 0;
}
