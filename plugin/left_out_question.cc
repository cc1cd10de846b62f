#include "plugin/left_out_question.h"

std::string LeftOutQuestion(const std::vector<std::string>& names) {
  const bool one = names.size() == 1;
  std::string text =
      std::to_string(names.size()) + (one ? " file" : " files") + " could not be added to the zip archive:\n\n";
  for (size_t i = 0; i < names.size() && i < kListedLeftOutNames; ++i) text += names[i] + "\n";
  if (names.size() > kListedLeftOutNames) {
    text += "and " + std::to_string(names.size() - kListedLeftOutNames) + " more.\n";
  }
  text += one ? "\nAttach the zip archive without it?" : "\nAttach the zip archive without them?";
  return text;
}
