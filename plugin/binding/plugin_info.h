// What the plug-in tells the mail client about itself.
#pragma once

#include <cstddef>

// Fills the mail client's information record: name, vendor, version and
// description, each a NUL-terminated text in an 80-byte field.
constexpr size_t kInfoFieldSize = 80;
void FillPluginInfo(char* record);
