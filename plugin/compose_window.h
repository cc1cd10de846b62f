// The composition window the plug-in works on.
#pragma once

#include <windows.h>

// The window most recently passed to OVC_OnOpenCompose; null before the
// first. It owns every dialog and message box and receives the attachment.
HWND CurrentComposeWindow();
void SetCurrentComposeWindow(HWND window);
