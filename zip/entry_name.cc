#include "zip/entry_name.h"

#include <cstring>
#include <string>

#include "platform/utf8.h"

namespace {

// Suffixes of data that is already compressed, each NUL-terminated, the list
// ended by an empty string.
constexpr char kStoredSuffixes[] = ".z\0.zip\0.zoo\0.arc\0.lzh\0.arj\0.gz\0.tgz\0";

// Names Windows gives to devices, in upper case. "COM" and "LPT" take a
// digit from 1 to 9 or a superscript one, two or three.
constexpr const char* kDeviceNames[] = {"CON", "PRN", "AUX", "NUL"};
constexpr const char* kNumberedDevices[] = {"COM", "LPT"};
constexpr const char* kSuperscriptDigits[] = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};  // ¹ ² ³

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
  }
  return *a == *b;
}

bool IsForbiddenCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || strchr("<>:\"|?*", c) != nullptr;
}

// Whether a component names a device on Windows: its part before the first
// dot, without trailing spaces, is a device name in any case.
bool IsDeviceName(const char* component, size_t length) {
  size_t base = 0;
  while (base < length && component[base] != '.') ++base;
  while (base > 0 && component[base - 1] == ' ') --base;
  const std::string upper = AsciiUpperCase(std::string(component, base));
  for (const char* device : kDeviceNames) {
    if (upper == device) return true;
  }
  for (const char* device : kNumberedDevices) {
    if (upper.compare(0, 3, device) != 0) continue;
    const std::string number = upper.substr(3);
    if (number.size() == 1 && number[0] >= '1' && number[0] <= '9') return true;
    for (const char* superscript : kSuperscriptDigits) {
      if (number == superscript) return true;
    }
  }
  return false;
}

// Judges one component, `length` bytes at `component`, between separators.
EntryNameProblem CheckComponent(const char* component, size_t length) {
  if (length == 2 && component[0] == '.' && component[1] == '.') return EntryNameClimbs;
  if (length > 0 && (component[length - 1] == '.' || component[length - 1] == ' ')) {
    return EntryNameTrailingDotOrSpace;
  }
  if (IsDeviceName(component, length)) return EntryNameDeviceName;
  return EntryNameOk;
}

// Copies `name` into `converted` (kEntryNameCapacity bytes) with '/' for
// every backslash and judges the result.
EntryNameProblem ConvertName(const char* name, char* converted, size_t* convertedLength) {
  converted[0] = '\0';
  *convertedLength = 0;
  const size_t length = name == nullptr ? 0 : strlen(name);
  if (length == 0) return EntryNameEmpty;
  if (length >= kEntryNameCapacity) return EntryNameTooLong;
  if (!IsValidUtf8(std::string(name, length))) return EntryNameNotUtf8;
  // Every byte of a multi-byte UTF-8 character is 0x80 or above, so none of
  // the ASCII tests below can misread part of one.
  for (size_t i = 0; i < length; ++i) converted[i] = name[i] == '\\' ? '/' : name[i];
  converted[length] = '\0';
  *convertedLength = length;

  if (converted[0] == '/') return EntryNameAbsolute;
  const char first = converted[0];
  if (length >= 2 && converted[1] == ':' && ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) {
    return EntryNameDrive;
  }
  if (converted[length - 1] == '/') return EntryNameFolder;
  // A ".." anywhere outranks the rest: it is the one that leaves the folder.
  EntryNameProblem found = EntryNameOk;
  for (size_t start = 0; start < length;) {
    size_t end = start;
    while (end < length && converted[end] != '/') ++end;
    const EntryNameProblem problem = CheckComponent(converted + start, end - start);
    if (problem == EntryNameClimbs) return problem;
    if (found == EntryNameOk) found = problem;
    start = end + 1;
  }
  for (size_t i = 0; i < length && found == EntryNameOk; ++i) {
    if (IsForbiddenCharacter(converted[i])) found = EntryNameForbiddenCharacter;
  }
  return found;
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
  if (!IsAscii(std::string(entry->name, length))) {
    entry->gpFlags = static_cast<uint16_t>(entry->gpFlags | kUtf8NameFlag);
  }
  return true;
}

EntryNameProblem CheckFolderEntryName(const char* name) {
  const EntryNameProblem problem = CheckEntryName(name);
  if (problem != EntryNameOk) return problem;
  return strlen(name) + 1 < kEntryNameCapacity ? EntryNameOk : EntryNameTooLong;
}

bool SetFolderEntryName(ZipEntry* entry, const char* name) {
  if (CheckFolderEntryName(name) != EntryNameOk || !SetEntryName(entry, name)) return false;
  entry->name[entry->nameLength++] = '/';
  entry->name[entry->nameLength] = '\0';
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
