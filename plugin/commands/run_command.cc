#include "plugin/commands/run_command.h"

#include <windows.h>

#include "plugin/binding/compose_window.h"
#include "plugin/binding/exception_boundary.h"
#include "plugin/binding/settings.h"
#include "plugin/commands/command_stop.h"
#include "plugin/commands/messages.h"

namespace {

bool commandRunning = false;
bool unloadSeen = false;
// The library's reference on itself, taken by the first command.
HMODULE ownReference = nullptr;

// Keeps the library loaded: a reference the mail client's FreeLibrary
// cannot take away, counted like a LoadLibrary.
void TakeOwnReference() {
  if (ownReference != nullptr) return;
  HMODULE module = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&TakeOwnReference),
                         &module)) {
    ownReference = module;
  }
}

// Marks a command as running for as long as it lives, with the window it
// holds.
struct RunningCommand {
  RunningCommand() {
    commandRunning = true;
    ClearCommandStop();
    unloadSeen = false;
    TakeOwnReference();
  }
  ~RunningCommand() {
    ReleaseComposeWindow();
    commandRunning = false;
    ClearCommandStop();
    // The mail client let the library go while this command ran; it will
    // not call it again, nor see it detach before the process ends. The
    // settings the command changed are written now.
    if (unloadSeen) {
      CatchEverything(false, [] {
        SaveSettings(Settings());
        return true;
      });
    }
  }
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
  if (!IsWindow(HoldComposeWindow())) {
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

void UnloadRequested() noexcept {
  if (commandRunning) {
    unloadSeen = true;
    StopCommand();
    return;
  }
  // Called by the mail client, which holds the library itself: its own
  // reference is not the last.
  if (ownReference != nullptr) {
    HMODULE module = ownReference;
    ownReference = nullptr;
    FreeLibrary(module);
  }
}

void SessionEnding() noexcept {
  if (commandRunning) StopCommand();
}
