// The composition window the plug-in works on.
#pragma once

#include <windows.h>

// Called for every window passed to OVC_OnOpenCompose; it becomes the
// current composition window. The mail client never says when one closes,
// so closed ones are forgotten when they are next looked at.
void NoteComposeWindow(HWND window);

// Picks the window a command works on, as the command starts: the announced
// window that holds the keyboard focus or the active window (the one whose
// menu was used), else the most recently announced one still open. It
// becomes the current composition window; null when none is open.
HWND ChooseComposeWindow();

// The window chosen for the running command, or the one announced last;
// null before the first. It owns every dialog and message box and receives
// the attachment.
HWND CurrentComposeWindow();
