#include <windows.h>

#include <cstdio>
#include <cstring>

#include "cli/terminal.h"
#include "platform/command_line.h"
#include "platform/wide_text.h"

namespace {

// The path an interruption removes. The control handler runs on a thread of
// its own while the main thread may still be writing; the file was created
// sharing delete, so it can be removed while open and goes when the process
// ends.
wchar_t interruptPath[32768];
volatile LONG removeOnInterrupt = 0;
bool handlerInstalled = false;

// Held by the main thread between HoldInterrupts and ReleaseInterrupts: the
// handler waits for it (Ctrl+C gives a handler all the time it needs), so a
// file created under a temporary name is registered before it is looked at.
struct InterruptLock {
  CRITICAL_SECTION section;
  InterruptLock() { InitializeCriticalSection(&section); }
  ~InterruptLock() { DeleteCriticalSection(&section); }
};
InterruptLock interruptLock;

BOOL WINAPI OnControlEvent(DWORD /*event*/) {
  EnterCriticalSection(&interruptLock.section);
  if (InterlockedCompareExchange(&removeOnInterrupt, 0, 0) != 0) DeleteFileW(interruptPath);
  LeaveCriticalSection(&interruptLock.section);
  return FALSE;  // let the next handler end the program
}

void InstallHandler() {
  // Once: the system keeps a handler registered twice until removed twice.
  if (!handlerInstalled) handlerInstalled = SetConsoleCtrlHandler(OnControlEvent, TRUE) != FALSE;
}

// A console takes UTF-16 whatever its code page; files and pipes get the
// UTF-8 bytes. The C library's buffer of the stream is flushed first, so
// that nothing written through it comes out of order.
void Write(FILE* stream, DWORD which, const std::string& text) {
  fflush(stream);
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    std::wstring wide;
    if (!WidenUtf8(text, &wide)) {
      for (const char c : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    for (size_t at = 0; at < wide.size(); at += written) {
      // Consoles take a limited amount at once; write in pieces, never
      // between the two halves of a surrogate pair.
      DWORD piece = static_cast<DWORD>(wide.size() - at < 8192 ? wide.size() - at : 8192);
      if (at + piece < wide.size() && wide[at + piece - 1] >= 0xD800 && wide[at + piece - 1] <= 0xDBFF) --piece;
      if (!WriteConsoleW(handle, wide.data() + at, piece, &written, nullptr) || written == 0) return;
    }
    return;
  }
  for (size_t at = 0; at < text.size(); at += written) {
    if (!WriteFile(handle, text.data() + at, static_cast<DWORD>(text.size() - at), &written, nullptr) || written == 0) {
      return;
    }
  }
}

}  // namespace

bool ProgramArguments(int /*argc*/, char** /*argv*/, std::vector<std::string>* arguments, std::string* error) {
  size_t inexact = 0;
  if (!ReadCommandLine(arguments, &inexact)) {
    *error = "cannot read the command line";
    return false;
  }
  if (inexact == 0) return true;
  *error = "argument " + std::to_string(inexact) + " ('" + (*arguments)[inexact - 1] +
           "') is not valid Unicode, so it names no file this program can reach";
  arguments->clear();
  return false;
}

void WriteOutput(const std::string& text) { Write(stdout, STD_OUTPUT_HANDLE, text); }

void WriteErrors(const std::string& text) { Write(stderr, STD_ERROR_HANDLE, text); }

bool ErrorsGoToTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void RemoveOnInterrupt(const std::string& path) {
  std::wstring wide;
  if (!WidenUtf8(path, &wide) || wide.size() >= sizeof interruptPath / sizeof interruptPath[0]) return;
  // The handler must not read a path half copied over an earlier one.
  InterlockedExchange(&removeOnInterrupt, 0);
  memcpy(interruptPath, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  InterlockedExchange(&removeOnInterrupt, 1);
  InstallHandler();
}

void StopRemovingOnInterrupt() {
  InterlockedExchange(&removeOnInterrupt, 0);
  if (handlerInstalled) SetConsoleCtrlHandler(OnControlEvent, FALSE);
  handlerInstalled = false;
}

void HoldInterrupts() {
  InstallHandler();
  EnterCriticalSection(&interruptLock.section);
}

void ReleaseInterrupts() { LeaveCriticalSection(&interruptLock.section); }
