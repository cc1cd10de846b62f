#include <windows.h>

#include <cctype>

#include "platform/file_errors.h"
#include "platform/wide_text.h"

std::string DescribeFileError(uint32_t error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return "no such file";
    case ERROR_PATH_NOT_FOUND: return "no such folder";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_SHARING_VIOLATION: return "in use by another program";
    case ERROR_LOCK_VIOLATION: return "locked by another program";
    case ERROR_INVALID_NAME: return "invalid name";
    case ERROR_DIRECTORY: return "not a folder";
    case ERROR_BAD_FILE_TYPE: return "not a regular file";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "the disk is full";
    default: break;
  }
  wchar_t text[256] = L"";
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                 sizeof text / sizeof text[0], nullptr);
  std::string message = NarrowWideForDisplay(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) return "system error " + std::to_string(error);
  message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
  return message;
}

bool IsAlreadyExistsError(uint32_t error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }
