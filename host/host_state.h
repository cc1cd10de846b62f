// The state of a program that stands in for the mail client: what its
// entry points report, what the plug-in asked of it, and the composition
// windows (messages) it has opened.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "plugin/binding/host_api.h"

struct RegisteredCommand {
  std::string label;
  LPARAM menuKind;
  CommandProcedure procedure;
  UINT identifier;
};

struct Attachment {
  std::string path;  // UTF-8, from the ANSI code page text the plug-in passed
  HWND window;
  // The number of the open message `window` was when the file came, 0 when
  // it was none: a message already closed, or a window that is no message.
  int message;
};

// A composition window of the host, numbered from 1 in opening order; a
// closed one keeps its number.
struct ComposeMessage {
  HWND window;
  bool open;
};

// Set up before the plug-in loads. The attachments, the messages and whether
// the plug-in is loaded may be read from another thread (a scenario's) while
// the window's thread changes them; the commands belong to the window's
// thread.
struct HostState {
  std::string versionText = "2.01.00";  // what OVA_GetVersion returns
  std::string tempFolder;               // what OVA_GetTempFolder returns, in the ANSI code page
  std::vector<RegisteredCommand> commands;
  UINT nextCommandIdentifier = 40001;

  HostState();
  ~HostState();
  // Records a file given to `window`, with the number of the open message
  // that window is.
  void Attach(const std::string& path, HWND window);
  std::vector<Attachment> Attachments();

  // Records a message window just made; returns its number.
  int AddMessage(HWND window);
  // From now on `window` is no open message.
  void CloseMessage(HWND window);
  // The window of open message `number`; null when that message is closed
  // or was never opened.
  HWND MessageWindow(int number);
  // The number of `window` while it is an open message, else 0.
  int MessageNumber(HWND window);
  // The windows of the open messages, in opening order.
  std::vector<HWND> OpenMessages();
  int MessageCount();

  // Whether the plug-in is loaded: false before it loads and once the host
  // has dropped it (FreeLibrary), after which the host never calls it again.
  bool PluginLoaded();
  void SetPluginLoaded(bool loaded);

 private:
  // A critical section rather than std::mutex: the Windows programs are
  // built without a thread library, and this is all the host needs.
  CRITICAL_SECTION lock_;
  std::vector<Attachment> attachments_;  // every path given to OVA_CompAttachFile
  std::vector<ComposeMessage> messages_;
  bool pluginLoaded_ = false;
};

// The one state of the program, made on first use.
HostState& TheHost();

// Prints every attachment on a line of its own, in the order they came:
// "attached: PATH" for message 1, "attached to message N: PATH" for another
// message, "attached to a closed window: PATH" for a window that was no open
// message.
void PrintAttachments();
