// Pictures of the whole screen as BMP files, for the development host's
// scenarios. Paths are UTF-8.
#pragma once

#include <windows.h>

#include <string>

// Saves the whole screen (under a Wine virtual desktop, the desktop with
// its frames and title bars) as a 24-bit BMP file, once it holds still:
// grabs are taken 100 ms apart until two in a row are the same, so that a
// window whose paint has not reached the screen yet is not caught half drawn.
// Gives up after `timeoutMs` and returns false; also false when the file
// cannot be written.
bool SaveSteadyScreenImage(const std::string& path, DWORD timeoutMs = 10000);
