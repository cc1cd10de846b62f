#include "zip/entry_name.h"

#include <cstring>

#include "platform/platform.h"

namespace {

// Suffixes of data that is already compressed, each NUL-terminated, the list
// ended by an empty string.
constexpr char kStoredSuffixes[] = ".z\0.zip\0.zoo\0.arc\0.lzh\0.arj\0.gz\0.tgz\0";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
  }
  return *a == *b;
}

}  // namespace

bool SetEntryName(ZipEntry* entry, const char* name) {
  entry->name[0] = '\0';
  entry->nameLength = 0;
  const size_t length = name == nullptr ? 0 : strlen(name);
  if (length == 0 || length >= kEntryNameCapacity) return false;
  for (size_t i = 0; i < length; ++i) {
    const char c = name[i];
    entry->name[i] = c == '\\' ? '/' : c;
    // In a double-byte code page the trail byte may be 0x5C; it belongs to
    // the character, not a path.
    if (IsAnsiLeadByte(static_cast<unsigned char>(c)) && i + 1 < length) {
      ++i;
      entry->name[i] = name[i];
    }
  }
  entry->name[length] = '\0';
  entry->nameLength = static_cast<uint32_t>(length);
  return true;
}

uint16_t ChooseMethod(const char* name) {
  const char* suffix = strrchr(name, '.');
  if (suffix == nullptr) return kMethodDeflated;
  for (const char* stored = kStoredSuffixes; *stored != '\0'; stored += strlen(stored) + 1) {
    if (EqualIgnoringCase(suffix, stored)) return kMethodStored;
  }
  return kMethodDeflated;
}
