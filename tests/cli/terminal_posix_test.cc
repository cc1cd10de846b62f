// What zapnest does with signals on POSIX: an interruption removes the file
// being written, a signal the program inherited as ignored stays ignored
// (nohup), what each signal did before is put back, and a file size limit
// never ends the program.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/terminal.h"
#include "tests/support/test_files.h"

namespace {

constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

void SomeoneElsesHandler(int /*signal*/) {}

using Handler = void (*)(int);

Handler HandlerOf(int signal) {
  struct sigaction action;
  sigaction(signal, nullptr, &action);
  return action.sa_handler;
}

// Every test starts and ends with the signals at their defaults, so that one
// test's dispositions never reach another's.
class InterruptSignals : public testing::Test {
 protected:
  void SetUp() override { ResetAll(); }
  void TearDown() override {
    StopRemovingOnInterrupt();
    ResetAll();
  }
  static void ResetAll() {
    for (int signal : kInterruptSignals) ::signal(signal, SIG_DFL);
    ::signal(SIGXFSZ, SIG_DFL);
  }
  std::string MakeFile() {
    const std::string path = dir_.File("out.zip.tmp");
    WriteWholeFile(path, {'P', 'K'});
    return path;
  }
  bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

  TempDir dir_;
};

TEST_F(InterruptSignals, AnInterruptionRemovesTheFileAndEndsTheProgramByItsSignal) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    const std::string path = MakeFile();
    EXPECT_EXIT(
        {
          RemoveOnInterrupt(path);
          raise(signal);
        },
        testing::KilledBySignal(signal), "")
        << signal;
    EXPECT_FALSE(Exists(path)) << signal;
  }
}

TEST_F(InterruptSignals, ASignalInheritedAsIgnoredStaysIgnoredAndTheFileStays) {
  const std::string path = MakeFile();
  // nohup's SIGHUP, a shell's background job's SIGINT.
  EXPECT_EXIT(
      {
        signal(SIGHUP, SIG_IGN);
        signal(SIGINT, SIG_IGN);
        RemoveOnInterrupt(path);
        raise(SIGHUP);
        raise(SIGINT);
        _exit(HandlerOf(SIGHUP) == SIG_IGN && HandlerOf(SIGINT) == SIG_IGN ? 7 : 1);
      },
      testing::ExitedWithCode(7), "");
  EXPECT_TRUE(Exists(path));
}

TEST_F(InterruptSignals, StoppingPutsBackWhatEachSignalDidBefore) {
  signal(SIGHUP, SIG_IGN);
  signal(SIGQUIT, SomeoneElsesHandler);
  const std::string path = MakeFile();
  RemoveOnInterrupt(path);
  EXPECT_EQ(SIG_IGN, HandlerOf(SIGHUP));
  for (int signal : {SIGINT, SIGTERM, SIGQUIT, SIGPIPE}) {
    EXPECT_NE(SIG_DFL, HandlerOf(signal)) << signal;
    EXPECT_NE(SIG_IGN, HandlerOf(signal)) << signal;
  }
  // A second path takes the first one's place; what was there before the
  // first call is still what comes back.
  RemoveOnInterrupt(dir_.File("second.tmp"));
  StopRemovingOnInterrupt();
  EXPECT_EQ(SIG_IGN, HandlerOf(SIGHUP));
  EXPECT_EQ(&SomeoneElsesHandler, HandlerOf(SIGQUIT));
  for (int signal : {SIGINT, SIGTERM, SIGPIPE}) EXPECT_EQ(SIG_DFL, HandlerOf(signal)) << signal;
  EXPECT_TRUE(Exists(path));
}

TEST_F(InterruptSignals, StoppingWithoutEverRemovingChangesNothing) {
  signal(SIGHUP, SIG_IGN);
  StopRemovingOnInterrupt();
  EXPECT_EQ(SIG_IGN, HandlerOf(SIGHUP));
  EXPECT_EQ(SIG_DFL, HandlerOf(SIGTERM));
}

TEST_F(InterruptSignals, TheLaterPathIsTheOneRemoved) {
  const std::string first = MakeFile();
  const std::string second = dir_.File("second.tmp");
  WriteWholeFile(second, {'P', 'K'});
  EXPECT_EXIT(
      {
        RemoveOnInterrupt(first);
        RemoveOnInterrupt(second);
        raise(SIGTERM);
      },
      testing::KilledBySignal(SIGTERM), "");
  EXPECT_TRUE(Exists(first));
  EXPECT_FALSE(Exists(second));
}

TEST_F(InterruptSignals, AFileSizeLimitNeverEndsTheProgram) {
  std::vector<std::string> arguments;
  std::string error;
  char program[] = "zapnest";
  char* argv[] = {program, nullptr};
  ASSERT_TRUE(ProgramArguments(1, argv, &arguments, &error));
  EXPECT_EQ(SIG_IGN, HandlerOf(SIGXFSZ));
}

}  // namespace
