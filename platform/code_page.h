// Windows only: text in a code page (the system's ANSI code page, which the
// mail client's interface and the INI file speak) to and from UTF-8. The
// plug-in converts at its edges with these and nowhere else.
#pragma once

#include <string>

// Code page text to UTF-8. False when the text is not valid in that code
// page (a lead byte without its trail byte, say).
bool CodePageToUtf8(unsigned codePage, const std::string& text, std::string* utf8);

// UTF-8 to code page text, only when it is exact: false when a character has
// no form in the code page. Windows would otherwise put a look-alike in its
// place ("Ω" becomes "O"), and the text would name something else.
bool Utf8ToCodePage(unsigned codePage, const std::string& utf8, std::string* text);

// The same for the system's ANSI code page.
bool AnsiToUtf8(const std::string& ansi, std::string* utf8);
bool Utf8ToAnsi(const std::string& utf8, std::string* ansi);
