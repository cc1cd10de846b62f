// The zip being written by a command, from its creation to its attachment.
//
// It is written beside the path the user chose, under a private temporary
// name, and takes that path only once it is complete and closed without
// error. Until then a file of that name (last week's zip, say) stays as it
// was: Cancel, a closed message, a failure, an unload and the end of the
// session leave it byte for byte and nothing beside it.
#pragma once

#include <cstdint>
#include <string>

#include "writer/safe_output.h"

class CommandOutput {
 public:
  CommandOutput() = default;
  // Gives up a zip that was not finished, also when an exception passes.
  ~CommandOutput();
  CommandOutput(const CommandOutput&) = delete;
  CommandOutput& operator=(const CommandOutput&) = delete;

  // Starts the zip for `zipPath` (UTF-8), a plain file on a disk or a name
  // not yet taken. When it cannot be started, or the name leads to a device
  // ("nul.zip") or a folder, says "Error creating zip archive." and returns
  // false.
  bool Create(const std::string& zipPath);
  ZipArchive* archive() const { return output_.archive; }
  SafeOutput* output() { return &output_; }

  // Sends the zip's read report (see ArchiveOptions) to `report` with
  // `context`, or nowhere when `report` is null: the progress window takes
  // it while it watches the zip.
  void ReportReadsTo(bool (*report)(void* context, uint32_t bytesRead), void* context);

  // Gives the zip up: what was written goes, the chosen path keeps what it
  // had, and `message` is said unless it is null.
  void Abandon(const char* message);

  // Closes the zip and puts it at the chosen path. When that fails, gives
  // it up, says "Error creating zip archive." and returns false.
  bool Finish();

 private:
  static bool ForwardRead(void* context, uint32_t bytesRead);

  SafeOutput output_;
  bool (*report_)(void* context, uint32_t bytesRead) = nullptr;
  void* reportContext_ = nullptr;
};

// Hands the zip to the mail client for the composition window the command
// holds, unless that message was closed meanwhile. `mailClientPath` is the
// zip's path in the form the mail client's interface takes (the ANSI code
// page, within its buffers), as the zip name dialog gave it.
void AttachZip(const std::string& mailClientPath);
