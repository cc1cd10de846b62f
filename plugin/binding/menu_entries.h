// The plug-in's entries in a composition window's menu.
#pragma once

#include <windows.h>

// Registers the commands and inserts their menu entries for a composition
// window's menu (kind 10): files at position 14 of the first drop-down, the
// folder command at 15 when ShowZipFolder is set. Other kinds add nothing.
void AddMenuEntries(HMENU menuBar, LPARAM menuKind);
