#include "plugin/temp_folder.h"

#include "plugin/host_api.h"

std::string TempFolder() {
  const char* folder = GetTempFolderEntry()();
  return folder != nullptr ? folder : "";
}
