// How the mail client's call of a command procedure reaches its body.
#pragma once

// Runs a command's body only while there is a composition window to own its
// dialogs and receive the zip (otherwise it says "Creation of zip archive
// cancelled." owned by no window), and as a boundary that no exception
// passes: one that reaches it ends the command with "Error creating zip
// archive.".
void RunCommand(void (*body)()) noexcept;
