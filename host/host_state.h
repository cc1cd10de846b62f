// The state of a program that stands in for the mail client: what its
// entry points report and what the plug-in asked of it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "plugin/host_api.h"

struct RegisteredCommand {
  std::string label;
  LPARAM menuKind;
  CommandProcedure procedure;
  UINT identifier;
};

struct HostState {
  std::string versionText = "2.01.00";  // what OVA_GetVersion returns
  std::string tempFolder;               // what OVA_GetTempFolder returns
  std::vector<RegisteredCommand> commands;
  std::vector<std::string> attachments;  // every path given to OVA_CompAttachFile
  std::vector<HWND> attachWindows;       // and the window each was attached to
  UINT nextCommandIdentifier = 40001;
};

HostState& TheHost();
