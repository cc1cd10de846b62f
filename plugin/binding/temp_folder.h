// The mail client's temporary folder, where zips are removed when it closes.
#pragma once

#include <string>

// As OVA_GetTempFolder reports it, in UTF-8; "" when it has none, or gives
// text that is not valid in the ANSI code page.
std::string TempFolder();
