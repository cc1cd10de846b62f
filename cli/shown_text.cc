#include "cli/shown_text.h"

#include <cstdint>

#include "platform/utf8.h"

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendHexByte(uint32_t byte, std::string* shown) {
  *shown += kHex[(byte >> 4) & 0x0F];
  *shown += kHex[byte & 0x0F];
}

}  // namespace

std::string ShownText(const std::string& text) {
  std::string shown;
  size_t at = 0;
  while (at < text.size()) {
    uint32_t codePoint = 0;
    const size_t length = DecodeUtf8(text.data(), text.size(), at, &codePoint);
    if (length == 0) {
      // Not UTF-8: shown byte by byte, never passed on raw.
      shown += "\\x";
      AppendHexByte(static_cast<unsigned char>(text[at]), &shown);
      ++at;
      continue;
    }
    if (codePoint == '\n') {
      shown += "\\n";
    } else if (codePoint == '\r') {
      shown += "\\r";
    } else if (codePoint == '\t') {
      shown += "\\t";
    } else if (codePoint < 0x20 || codePoint == 0x7F) {
      shown += "\\x";
      AppendHexByte(codePoint, &shown);
    } else if (codePoint >= 0x80 && codePoint <= 0x9F) {
      shown += "\\u00";
      AppendHexByte(codePoint, &shown);
    } else {
      shown.append(text, at, length);
    }
    at += length;
  }
  return shown;
}

std::string Quoted(const std::string& text) { return "'" + ShownText(text) + "'"; }
