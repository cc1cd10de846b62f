// Windows only: the program's UTF-8 text and the UTF-16 of the wide calls
// (wchar_t is a UTF-16 code unit there). Every path given to the system goes
// through WidenUtf8, every name the system reports through NarrowWide.
#pragma once

#include <cstddef>
#include <string>

// False, with *wide empty, when `text` is not well-formed UTF-8.
bool WidenUtf8(const std::string& text, std::wstring* wide);

// The same as a value, empty for text that is not UTF-8: for a call that
// then fails on an empty name.
std::wstring WidenUtf8OrEmpty(const std::string& text);

// `length` UTF-16 code units, or a NUL-terminated text, to UTF-8. False when
// the text holds a surrogate without its partner, which has no UTF-8 form.
bool NarrowWide(const wchar_t* wide, size_t length, std::string* text);
bool NarrowWide(const wchar_t* wide, std::string* text);

// For showing only: an unpaired surrogate becomes U+FFFD.
std::string NarrowWideForDisplay(const wchar_t* wide);
