#include "plugin/binding/temp_folder.h"

#include "platform/code_page.h"
#include "plugin/binding/host_api.h"

std::string TempFolder() {
  const char* folder = GetTempFolderEntry()();
  std::string text;
  if (folder == nullptr || !AnsiToUtf8(folder, &text)) return "";
  return text;
}
