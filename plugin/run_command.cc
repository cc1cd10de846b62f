#include "plugin/run_command.h"

#include "plugin/compose_window.h"
#include "plugin/messages.h"

void RunCommand(void (*body)()) noexcept {
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
