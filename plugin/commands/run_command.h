// How the mail client's call of a command procedure reaches its body.
#pragma once

// Runs a command's body only while there is a composition window to own its
// dialogs and receive the zip (otherwise it says "Creation of zip archive
// cancelled." owned by no window), and as a boundary that no exception
// passes: one that reaches it ends the command with "Error creating zip
// archive.". The command holds the window it started for (see
// HoldComposeWindow) until it ends.
//
// One command at a time: while one runs (in its dialogs, or writing its zip
// while it dispatches the mail client's messages), choosing a menu entry
// again, in this composition window or another, starts nothing but a beep.
// A second command would run inside the first one's dialog or message
// dispatch, on the same settings, composition window and archive.
//
// The library stays loaded while a command runs, whatever the mail client
// does meanwhile: the mail client may free it from a message the command
// dispatches, and the command's code must still be there when that returns.
// The first command takes a reference on the library, given back only when
// the mail client unloads it (OVC_OnExit) while no command runs; until then
// a FreeLibrary leaves it loaded, and settings are written when the process
// ends instead. An OVC_OnExit during a command stops it; the reference is
// then kept (it cannot be given back from the command's own code), and the
// command writes the settings as it ends.
void RunCommand(void (*body)()) noexcept;

// The mail client is unloading the plug-in (OVC_OnExit). A running command
// stops as a cancel does, without a word, and the library then stays loaded
// until the process ends; without one, the library's own reference goes.
void UnloadRequested() noexcept;

// The session is ending: a running command stops as a cancel does, without
// a word.
void SessionEnding() noexcept;
