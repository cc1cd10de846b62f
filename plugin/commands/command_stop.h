// Whether the running command must end without a word: what the plug-in's
// dialogs, messages and output ask before each step.
#pragma once

// Starts and ends a command's watch: nothing stops it yet.
void ClearCommandStop() noexcept;

// The running command must stop as a cancel does, without a word: the
// plug-in is being unloaded or the session is ending.
void StopCommand() noexcept;

// Whether the running command must stop without a word: the plug-in is
// being unloaded or the session is ending.
bool CommandMustStop() noexcept;

// Whether the running command must end without a word and without writing
// anything to the path the user chose: it must stop (above), or the message
// it holds was closed. Checked after each dialog and before the zip is
// begun and put in place; no message is shown meanwhile.
bool CommandStopped() noexcept;
