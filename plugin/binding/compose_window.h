// The composition window the plug-in works on.
#pragma once

#include <windows.h>

// Called for every window passed to OVC_OnOpenCompose; it becomes the
// current composition window, unless a command holds one. The mail client
// never says when one closes, so closed ones are forgotten when they are
// next looked at.
void NoteComposeWindow(HWND window);

// Picks the window a command works on, as the command starts: the announced
// window that holds the keyboard focus or the active window (the one whose
// menu was used), else the most recently announced one still open; null
// when none is open. The command holds it to its end: messages opened or
// closed meanwhile change nothing of it.
HWND HoldComposeWindow();

// Whether the window the running command holds was closed: the command
// then ends without a word, and nothing is attached.
bool HeldWindowClosed();

// Ends the hold, as the command ends.
void ReleaseComposeWindow();

// The window the running command holds, else the one announced last; null
// before the first. It owns every dialog and message box, its messages are
// the ones dispatched while a zip is written, and it receives the
// attachment. Once the held window is closed, this is that closed window's
// handle until the command ends: nothing goes to another message.
HWND CurrentComposeWindow();
