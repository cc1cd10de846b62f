// The development host keeps its texts as UTF-8 (the scenario file, what it
// prints) and hands them to Windows as UTF-16 through the wide functions, so
// that names the ANSI code page lacks arrive unchanged. Only the mail
// client's own interface speaks the ANSI code page; these conversions are
// the one place where texts cross between the three.
#pragma once

#include <string>

// UTF-16 from UTF-8; empty for text that is not UTF-8 (the scenario reader
// refuses such text first).
std::wstring WideFromUtf8(const std::string& text);

// UTF-8 from UTF-16; a lone surrogate becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

// UTF-8 from a text in the ANSI code page (what the mail client's interface
// passes); null gives an empty text.
std::string Utf8FromAnsi(const char* text);

// The ANSI code page's form of `text` when it names exactly the same
// characters; false (and *ansi untouched) when some character would be
// replaced by a look-alike or by the default character, as the ...A
// functions would do silently.
bool AnsiFromWideExactly(const std::wstring& text, std::string* ansi);
