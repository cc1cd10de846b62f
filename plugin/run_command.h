// How the mail client's call of a command procedure reaches its body.
#pragma once

// Runs a command's body only while there is a composition window to own its
// dialogs and receive the zip (otherwise it says "Creation of zip archive
// cancelled." owned by no window), and as a boundary that no exception
// passes: one that reaches it ends the command with "Error creating zip
// archive.".
//
// One command at a time: while one runs (in its dialogs, or writing its zip
// while it dispatches the mail client's messages), choosing a menu entry
// again, in this composition window or another, starts nothing but a beep.
// A second command would run inside the first one's dialog or message
// dispatch, on the same settings, composition window and archive.
void RunCommand(void (*body)()) noexcept;
