#include <dirent.h>
#include <errno.h>
#include <locale.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "cli/file_system.h"

namespace {

// The path an interruption removes, kept where a signal handler may read it.
char interruptPath[PATH_MAX];
volatile sig_atomic_t removeOnInterrupt = 0;
const int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

void OnInterrupt(int signal) {
  // Only async-signal-safe calls here. The handler was reset on entry, so
  // raising the signal again ends the program the way it would have ended.
  if (removeOnInterrupt) unlink(interruptPath);
  raise(signal);
}

// Appends code point `c` to `out` as UTF-8.
void AppendUtf8(uint32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 character at `at`; returns its length, 0 when the bytes
// there are not well-formed UTF-8.
size_t DecodeUtf8(const std::string& text, size_t at, uint32_t* c) {
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length;
  uint32_t value;
  uint32_t smallest;
  if (lead < 0x80) {
    *c = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, smallest = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *c = value;
  return length;
}

}  // namespace

bool ListPlainFiles(const std::string& folder, std::vector<std::string>* names, uint32_t* error) {
  names->clear();
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) {
    *error = static_cast<uint32_t>(errno);
    return false;
  }
  while (const dirent* item = readdir(directory)) {
    struct stat status;
    if (stat(JoinPath(folder, item->d_name).c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
      names->push_back(item->d_name);
    }
  }
  closedir(directory);
  std::sort(names->begin(), names->end());
  return true;
}

PathKind KindOf(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return PathMissing;
  return S_ISREG(status.st_mode) ? PathRegular : PathOther;
}

std::string ResolveOutput(const std::string& path) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;  // a dangling link is replaced itself
  std::string target = resolved;
  free(resolved);
  return target;
}

std::string BareName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool FileSize(const std::string& path, uint64_t* size) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return false;
  *size = static_cast<uint64_t>(status.st_size);
  return true;
}

std::string DescribeFileError(uint32_t error) {
  if (error == ENOSPC) return "the disk is full";
  std::string text = strerror(static_cast<int>(error));
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

bool IsAlreadyExistsError(uint32_t error) { return error == EEXIST; }

std::string FoldCase(const std::string& name) {
  // Windows compares names letter by letter in upper case. Names that are
  // not UTF-8 are folded in ASCII only.
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  std::string folded;
  for (size_t at = 0; at < name.size();) {
    uint32_t c = 0;
    const size_t length = utf8 != nullptr ? DecodeUtf8(name, at, &c) : 0;
    if (length == 0) {
      folded.clear();
      for (char byte : name) folded.push_back(byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte);
      return folded;
    }
    AppendUtf8(static_cast<uint32_t>(towupper_l(static_cast<wint_t>(c), utf8)), &folded);
    at += length;
  }
  return folded;
}

void CopyPermissions(const std::string& from, const std::string& to) {
  struct stat status;
  if (stat(from.c_str(), &status) == 0) chmod(to.c_str(), status.st_mode & 07777);
}

bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  *error = static_cast<uint32_t>(errno);
  return false;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

uint32_t ProcessId() { return static_cast<uint32_t>(getpid()); }

void RemoveOnInterrupt(const std::string& path) {
  if (path.size() >= sizeof interruptPath) return;
  memcpy(interruptPath, path.c_str(), path.size() + 1);
  removeOnInterrupt = 1;
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = OnInterrupt;
  action.sa_flags = static_cast<int>(SA_RESETHAND);
  sigemptyset(&action.sa_mask);
  for (int signal : kInterruptSignals) sigaction(signal, &action, nullptr);
}

void StopRemovingOnInterrupt() {
  removeOnInterrupt = 0;
  for (int signal : kInterruptSignals) ::signal(signal, SIG_DFL);
}

bool ErrorsGoToTerminal() { return isatty(STDERR_FILENO) != 0; }
