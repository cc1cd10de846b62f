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

struct Attachment {
  std::string path;  // UTF-8, from the ANSI code page text the plug-in passed
  HWND window;
};

// Set up before the plug-in loads; the attachments may be read from another
// thread (a scenario's) while the window's thread adds to them.
struct HostState {
  std::string versionText = "2.01.00";  // what OVA_GetVersion returns
  std::string tempFolder;               // what OVA_GetTempFolder returns, in the ANSI code page
  std::vector<RegisteredCommand> commands;
  UINT nextCommandIdentifier = 40001;

  HostState();
  ~HostState();
  void Attach(const Attachment& attachment);
  std::vector<Attachment> Attachments();

 private:
  // A critical section rather than std::mutex: the Windows programs are
  // built without a thread library, and this is all the host needs.
  CRITICAL_SECTION attachmentsLock_;
  std::vector<Attachment> attachments_;  // every path given to OVA_CompAttachFile
};

// The one state of the program, made on first use.
HostState& TheHost();
