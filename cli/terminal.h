// What the command-line tool has of its process and its terminal: the
// arguments, the two output streams and interruptions. A
// POSIX and a Win32 implementation; CMake picks one. Text is UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The arguments after the program name, in UTF-8. On Windows they are read
// as UTF-16 from the system, so that names the ANSI code page lacks arrive
// as they were typed; on POSIX they are the bytes given. Returns false with
// a message in *error for an argument that has no UTF-8 form (on Windows, a
// surrogate without its partner): any stand-in would name another file.
// Called first, it also sets the process up for the run: on POSIX, SIGXFSZ
// is ignored, so that a write past the file size limit fails like any
// other failed write instead of ending the program.
bool ProgramArguments(int argc, char** argv, std::vector<std::string>* arguments, std::string* error);

// Writes UTF-8 text to standard output or standard error: on a Windows
// console as UTF-16, so that every name shows as it is; into files and
// pipes as the UTF-8 bytes.
void WriteOutput(const std::string& text);
void WriteErrors(const std::string& text);

// True when standard error is a terminal (a console on Windows), not a file
// or a pipe.
bool ErrorsGoToTerminal();

// Until StopRemovingOnInterrupt, an interruption (Ctrl+C, SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, a closed output pipe) removes `path` before the program
// ends. A later call names another path in its place. On POSIX a signal
// that the program inherited as ignored (nohup's SIGHUP) is left ignored:
// it does not end the run. StopRemovingOnInterrupt puts back what each
// signal did before; called without RemoveOnInterrupt it changes nothing.
void RemoveOnInterrupt(const std::string& path);
void StopRemovingOnInterrupt();

// Between HoldInterrupts and ReleaseInterrupts an interruption waits: a
// file created under a temporary name is then registered with
// RemoveOnInterrupt before a signal can end the program without removing
// it. On POSIX the signals are blocked and delivered at the release; on
// Windows the console handler, which runs on a thread of its own, waits
// for the release.
void HoldInterrupts();
void ReleaseInterrupts();
