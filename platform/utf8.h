// UTF-8, the program's text inside, and UTF-16, the text of Windows' wide
// calls. Portable: the same rules on every platform, tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Decodes the character that starts at `at` in the `length` bytes of `text`.
// Returns its length in bytes and the code point in *codePoint, or 0 when the
// bytes there are not well-formed UTF-8: a stray continuation byte, a
// character cut short, an overlong form, a surrogate or a value past
// U+10FFFF.
size_t DecodeUtf8(const char* text, size_t length, size_t at, uint32_t* codePoint);

// Whether all of `text` is well-formed UTF-8 (ASCII is).
bool IsValidUtf8(const std::string& text);

// Whether every byte of `text` is ASCII (below 0x80).
bool IsAscii(const std::string& text);

// `text` with the ASCII letters a-z in upper case and every other byte as
// it is.
std::string AsciiUpperCase(const std::string& text);

// Appends code point `codePoint` (at most U+10FFFF, no surrogate) as UTF-8.
void AppendUtf8(uint32_t codePoint, std::string* out);

// UTF-8 to UTF-16. Returns false, leaving *out unspecified, when `text` is
// not well-formed UTF-8.
bool Utf8ToUtf16(const std::string& text, std::u16string* out);

// `length` UTF-16 code units to UTF-8. Returns false, leaving *out
// unspecified, on a surrogate without its partner: such a name exists on
// Windows but has no UTF-8 form, and a look-alike would name another file.
bool Utf16ToUtf8(const char16_t* units, size_t length, std::string* out);

// The same text for showing, never for opening: every unpaired surrogate
// becomes U+FFFD.
std::string Utf16ToUtf8ForDisplay(const char16_t* units, size_t length);
