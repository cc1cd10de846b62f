// What the plug-in tells the mail client about itself, and the composition
// window it works on.
#pragma once

#include <windows.h>

// Fills the mail client's information record: name, vendor, version and
// description, each a NUL-terminated text in an 80-byte field.
constexpr size_t kInfoFieldSize = 80;
void FillPluginInfo(char* record);

// The window most recently passed to OVC_OnOpenCompose; null before the
// first. It owns every dialog and message box and receives the attachment.
HWND CurrentComposeWindow();
void SetCurrentComposeWindow(HWND window);
