// The mail client's temporary folder, where zips are removed when it closes.
#pragma once

#include <string>

// As OVA_GetTempFolder reports it; "" when it has none.
std::string TempFolder();
