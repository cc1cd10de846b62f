#include "plugin/commands/mail_size.h"

namespace {

constexpr uint64_t kLineCharacters = 76;
constexpr uint64_t kMegabyte = 1000000;
constexpr uint64_t kTenthMegabyte = kMegabyte / 10;

}  // namespace

uint64_t SizeInMessage(uint64_t bytes) {
  const uint64_t characters = (bytes + 2) / 3 * 4;
  const uint64_t lines = (characters + kLineCharacters - 1) / kLineCharacters;
  return characters + 2 * lines;
}

bool TooLargeToMail(uint64_t bytes, uint32_t limitMegabytes) {
  return limitMegabytes != 0 && SizeInMessage(bytes) > uint64_t{limitMegabytes} * kMegabyte;
}

std::string MegabytesText(uint64_t bytes) {
  const uint64_t tenths = (bytes + kTenthMegabyte - 1) / kTenthMegabyte;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}
