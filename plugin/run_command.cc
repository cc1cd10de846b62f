#include "plugin/run_command.h"

#include "plugin/compose_window.h"
#include "plugin/messages.h"

namespace {

bool commandRunning = false;

// Marks a command as running for as long as it lives.
struct RunningCommand {
  RunningCommand() { commandRunning = true; }
  ~RunningCommand() { commandRunning = false; }
};

}  // namespace

void RunCommand(void (*body)()) noexcept {
  if (commandRunning) {
    MessageBeep(MB_OK);
    return;
  }
  const RunningCommand running;
  // Before the first composition window, or after every one was closed,
  // there is nothing to attach to; a null owner would also make message
  // pumping dispatch every message of the thread.
  if (!IsWindow(ChooseComposeWindow())) {
    ShowConstantMessage(nullptr, kCancelledText, MB_OK | MB_ICONINFORMATION);
    return;
  }
  // The mail client's frames cannot be unwound: nothing may leave here.
  try {
    body();
  } catch (...) {
    ShowConstantMessage(CurrentComposeWindow(), kCreateErrorText, MB_OK | MB_ICONINFORMATION);
  }
}
