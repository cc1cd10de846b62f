#include "platform/command_line.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/wide_text.h"

bool ReadCommandLine(std::vector<std::string>* arguments, size_t* firstInexact) {
  arguments->clear();
  *firstInexact = 0;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return false;
  for (int i = 1; i < count; ++i) {
    std::string argument;
    if (!NarrowWide(wide[i], &argument)) {
      argument = NarrowWideForDisplay(wide[i]);
      if (*firstInexact == 0) *firstInexact = static_cast<size_t>(i);
    }
    arguments->push_back(argument);
  }
  LocalFree(wide);
  return true;
}
