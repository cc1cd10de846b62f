#include "platform/utf8.h"

namespace {

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

constexpr uint32_t kReplacementCharacter = 0xFFFD;

// Converts UTF-16 to UTF-8; an unpaired surrogate fails the conversion, or,
// when `replace` is set, becomes U+FFFD.
bool ConvertUtf16(const char16_t* units, size_t length, bool replace, std::string* out) {
  out->clear();
  out->reserve(length);
  for (size_t i = 0; i < length; ++i) {
    uint32_t codePoint = units[i];
    if (IsHighSurrogate(codePoint) && i + 1 < length && IsLowSurrogate(units[i + 1])) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (static_cast<uint32_t>(units[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint)) {
      if (!replace) return false;
      codePoint = kReplacementCharacter;
    }
    AppendUtf8(codePoint, out);
  }
  return true;
}

}  // namespace

size_t DecodeUtf8(const char* text, size_t length, size_t at, uint32_t* codePoint) {
  const auto byte = [text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t size;
  uint32_t value;
  uint32_t smallest;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    size = 2, value = lead & 0x1Fu, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    size = 3, value = lead & 0x0Fu, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    size = 4, value = lead & 0x07u, smallest = 0x10000;
  } else {
    return 0;
  }
  if (size > length - at) return 0;
  for (size_t i = 1; i < size; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + i) & 0x3Fu);
  }
  // Overlong forms would give one character two spellings, and surrogates
  // belong to UTF-16 only.
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return size;
}

bool IsValidUtf8(const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    uint32_t codePoint;
    const size_t size = DecodeUtf8(text.data(), text.size(), at, &codePoint);
    if (size == 0) return false;
    at += size;
  }
  return true;
}

bool IsAscii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string AsciiUpperCase(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

void AppendUtf8(uint32_t codePoint, std::string* out) {
  const auto put = [out](uint32_t value) { out->push_back(static_cast<char>(value)); };
  if (codePoint < 0x80) {
    put(codePoint);
  } else if (codePoint < 0x800) {
    put(0xC0 | (codePoint >> 6));
    put(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    put(0xE0 | (codePoint >> 12));
    put(0x80 | ((codePoint >> 6) & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  } else {
    put(0xF0 | (codePoint >> 18));
    put(0x80 | ((codePoint >> 12) & 0x3F));
    put(0x80 | ((codePoint >> 6) & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  }
}

bool Utf8ToUtf16(const std::string& text, std::u16string* out) {
  out->clear();
  out->reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    uint32_t codePoint;
    const size_t size = DecodeUtf8(text.data(), text.size(), at, &codePoint);
    if (size == 0) return false;
    at += size;
    if (codePoint < 0x10000) {
      out->push_back(static_cast<char16_t>(codePoint));
    } else {
      codePoint -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    }
  }
  return true;
}

bool Utf16ToUtf8(const char16_t* units, size_t length, std::string* out) {
  return ConvertUtf16(units, length, false, out);
}

std::string Utf16ToUtf8ForDisplay(const char16_t* units, size_t length) {
  std::string out;
  ConvertUtf16(units, length, true, &out);
  return out;
}
