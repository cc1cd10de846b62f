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
constexpr size_t kInterruptSignalCount = sizeof kInterruptSignals / sizeof kInterruptSignals[0];

// What each of kInterruptSignals did before RemoveOnInterrupt, put back by
// StopRemovingOnInterrupt; valid while handlersInstalled.
struct sigaction inheritedActions[kInterruptSignalCount];
bool handlersInstalled = false;

void OnInterrupt(int signal) {
  // Only async-signal-safe calls here. The handler was reset on entry, so
  // raising the signal again ends the program the way it would have ended.
  if (removeOnInterrupt) unlink(interruptPath);
  raise(signal);
}

}  // namespace

bool ProgramArguments(int argc, char** argv, std::vector<std::string>* arguments, std::string* /*error*/) {
  // Past a file size limit (ulimit -f) a write then fails with EFBIG and
  // takes the failed-write path, which removes the archive's file and says
  // why; SIGXFSZ's default would end the program silently and, without
  // unnamed files, leave the temporary name behind.
  signal(SIGXFSZ, SIG_IGN);
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

void RemoveOnInterrupt(const std::string& path) {
  if (path.size() >= sizeof interruptPath) return;
  // A handler installed for an earlier path must not read this one half
  // copied.
  removeOnInterrupt = 0;
  memcpy(interruptPath, path.c_str(), path.size() + 1);
  removeOnInterrupt = 1;
  if (handlersInstalled) return;
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = OnInterrupt;
  action.sa_flags = static_cast<int>(SA_RESETHAND);
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < kInterruptSignalCount; ++i) {
    sigaction(kInterruptSignals[i], nullptr, &inheritedActions[i]);
    // A signal ignored when the program started (nohup ignores SIGHUP, a
    // shell's background job SIGINT and SIGQUIT) was meant not to end it:
    // it stays ignored, and the run goes on to its end.
    if (inheritedActions[i].sa_handler == SIG_IGN) continue;
    sigaction(kInterruptSignals[i], &action, nullptr);
  }
  handlersInstalled = true;
}

namespace {

void MaskInterrupts(int how) {
  sigset_t signals;
  sigemptyset(&signals);
  for (int signal : kInterruptSignals) sigaddset(&signals, signal);
  sigprocmask(how, &signals, nullptr);
}

}  // namespace

void HoldInterrupts() { MaskInterrupts(SIG_BLOCK); }

void ReleaseInterrupts() { MaskInterrupts(SIG_UNBLOCK); }

void StopRemovingOnInterrupt() {
  removeOnInterrupt = 0;
  if (!handlersInstalled) return;
  for (size_t i = 0; i < kInterruptSignalCount; ++i) sigaction(kInterruptSignals[i], &inheritedActions[i], nullptr);
  handlersInstalled = false;
}
