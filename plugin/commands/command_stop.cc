#include "plugin/commands/command_stop.h"

#include "plugin/binding/compose_window.h"

namespace {

bool mustStop = false;

}  // namespace

void ClearCommandStop() noexcept { mustStop = false; }

void StopCommand() noexcept { mustStop = true; }

bool CommandMustStop() noexcept { return mustStop; }

bool CommandStopped() noexcept { return mustStop || HeldWindowClosed(); }
