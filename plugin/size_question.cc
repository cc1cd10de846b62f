#include "plugin/size_question.h"

namespace {

constexpr uint64_t kKilobyte = 1024;
constexpr uint64_t kMegabyte = 1024 * 1024;

}  // namespace

std::string SizeQuestion(int count, uint64_t totalBytes) {
  std::string figure;
  if (totalBytes > kMegabyte) {
    figure = std::to_string(totalBytes / kMegabyte) + " MB";
  } else if (totalBytes > kKilobyte) {
    figure = std::to_string(totalBytes / kKilobyte) + " KB";
  } else {
    figure = std::to_string(totalBytes) + " bytes";
  }
  return "Create zip from " + std::to_string(count) + " files with a total size of " + figure + "?";
}
