#include "cli/added_entry_text.h"

#include "zip/entry_name.h"

std::string AddedEntryText(uint16_t method, uint64_t uncompressedSize, uint64_t compressedSize) {
  const std::string read = std::to_string(uncompressedSize) + " bytes, ";
  if (method == kMethodStored) return read + "stored";
  // An empty file too: its deflate stream still takes two bytes.
  if (compressedSize > uncompressedSize) {
    return read + "deflated to " + std::to_string(compressedSize) + " bytes (larger)";
  }
  // Sizes are below 4 GiB, so the product cannot wrap.
  const uint64_t saved = uncompressedSize == 0 ? 0 : (uncompressedSize - compressedSize) * 100 / uncompressedSize;
  return read + "deflated " + std::to_string(saved) + "%";
}
