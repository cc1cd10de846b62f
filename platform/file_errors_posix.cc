#include <errno.h>

#include <cctype>
#include <cstring>

#include "platform/file_errors.h"

std::string DescribeFileError(uint32_t error) {
  if (error == ENOSPC) return "the disk is full";
  std::string text = strerror(static_cast<int>(error));
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

bool IsAlreadyExistsError(uint32_t error) { return error == EEXIST; }
