#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "cli/terminal.h"

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

}  // namespace

bool ProgramArguments(int argc, char** argv, std::vector<std::string>* arguments, std::string* /*error*/) {
  arguments->clear();
  for (int i = 1; i < argc; ++i) arguments->push_back(argv[i]);
  return true;
}

void WriteOutput(const std::string& text) { fwrite(text.data(), 1, text.size(), stdout); }

void WriteErrors(const std::string& text) {
  fwrite(text.data(), 1, text.size(), stderr);
  fflush(stderr);
}

bool ErrorsGoToTerminal() { return isatty(STDERR_FILENO) != 0; }

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
