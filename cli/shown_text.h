// Text as it may go to a terminal. Names come from the file system and
// can hold any byte; a terminal takes some of them for commands.
#pragma once

#include <string>

// `text` with every character a terminal would act on shown as an escape, so
// that a file name cannot move the cursor, change colours or fake a line of
// output: \n, \r and \t; other C0 controls and DEL as \xNN; C1 controls
// (U+0080 to U+009F, which terminals take as CSI, OSC or NEL) as \u0080 to
// \u009f; every byte that is not part of well-formed UTF-8 as \xNN (a lone
// 0x9B is CSI to an 8-bit terminal). Everything else, letters of any script
// included, stays as it is.
std::string ShownText(const std::string& text);

// ShownText in single quotes: how messages name files and entries.
std::string Quoted(const std::string& text);
