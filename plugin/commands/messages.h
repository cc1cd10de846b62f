// The plug-in's message boxes: captioned "Zapnest Plugin", owned by the
// current composition window.
#pragma once

#include <windows.h>

#include <string>

#include "plugin/commands/texts.h"

// Shows `text`, UTF-8, and returns the button pressed; shows nothing and
// returns 0 once the running command is stopped (see CommandStopped).
int ShowMessage(const std::string& text, UINT iconAndButtons);

// The same for a constant text, owned by `owner`; allocates nothing, so it
// may be used when memory has run out.
int ShowConstantMessage(HWND owner, const char* text, UINT iconAndButtons) noexcept;
