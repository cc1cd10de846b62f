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

// Copies `name` into `converted` (kEntryNameCapacity bytes) with '/' for
// every backslash separator and judges the result.
EntryNameProblem ConvertName(const char* name, char* converted, size_t* convertedLength) {
  converted[0] = '\0';
  *convertedLength = 0;
  const size_t length = name == nullptr ? 0 : strlen(name);
  if (length == 0) return EntryNameEmpty;
  if (length >= kEntryNameCapacity) return EntryNameTooLong;
  for (size_t i = 0; i < length; ++i) {
    const char c = name[i];
    converted[i] = c == '\\' ? '/' : c;
    // In a double-byte code page the trail byte may be 0x5C; it belongs to
    // the character, not a path.
    if (IsAnsiLeadByte(static_cast<unsigned char>(c)) && i + 1 < length) {
      ++i;
      converted[i] = name[i];
    }
  }
  converted[length] = '\0';
  *convertedLength = length;

  // No trail byte of a double-byte code page is '/', '.' or ':', and no
  // letter is a lead byte, so these tests cannot misread a character.
  if (converted[0] == '/') return EntryNameAbsolute;
  const char first = converted[0];
  if (length >= 2 && converted[1] == ':' && ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) {
    return EntryNameDrive;
  }
  if (converted[length - 1] == '/') return EntryNameFolder;
  for (size_t start = 0; start < length;) {
    size_t end = start;
    while (end < length && converted[end] != '/') ++end;
    if (end - start == 2 && converted[start] == '.' && converted[start + 1] == '.') return EntryNameClimbs;
    start = end + 1;
  }
  return EntryNameOk;
}

}  // namespace

EntryNameProblem CheckEntryName(const char* name) {
  char converted[kEntryNameCapacity];
  size_t length = 0;
  return ConvertName(name, converted, &length);
}

bool SetEntryName(ZipEntry* entry, const char* name) {
  size_t length = 0;
  if (ConvertName(name, entry->name, &length) != EntryNameOk) {
    entry->name[0] = '\0';
    entry->nameLength = 0;
    return false;
  }
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
