// What a command shows while it writes its zip, and how the user stops it.
//
// For the first half second nothing but the wait cursor, so that a small zip
// looks as it always did. After that a modeless window titled "Creating zip
// archive", owned by the composition window: the file being added, its
// number among all, a bar over all their bytes, and Cancel. Window messages
// are dispatched between files and, during a long file, from the writer's
// read report at most every kPumpInterval milliseconds, so the mail client
// repaints and answers while a large file is compressed. Twenty times a
// second is at once to the user and costs the zip well under 1 %
// (bench/progress_cost.cc).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "plugin/commands/wait_cursor.h"

class CommandOutput;

// Milliseconds before the window shows, and between two dispatches of
// messages during a file.
constexpr DWORD kProgressDelay = 500;
constexpr DWORD kPumpInterval = 50;
// Milliseconds between two moves of the bar: four a second read as smooth,
// and a bar that moves on every dispatch would repaint for nothing.
constexpr DWORD kBarInterval = 250;

// Why a zip stopped, in the order in which one cause overrides another: a
// message that is gone, an unload or the end of the session stop it without
// a word, whatever else happened.
enum ProgressStop {
  NotStopped,
  StoppedByUser,     // Cancel, or the window was closed
  StoppedByFailure,  // the window failed during a file (memory ran out)
  StoppedSilently,   // CommandStopped: the message closed, an unload, the session's end
};

class ZipProgress {
 public:
  // For `fileCount` files of `totalBytes` bytes in all, to be added to the
  // zip of `output`, whose read report it takes over until it is closed.
  // When the session ends meanwhile, it removes the output's temporary file
  // at once.
  ZipProgress(CommandOutput* output, size_t fileCount, uint64_t totalBytes);
  ~ZipProgress();
  ZipProgress(const ZipProgress&) = delete;
  ZipProgress& operator=(const ZipProgress&) = delete;

  // Called before each file is added, with its name as shown and its size:
  // dispatches waiting messages and brings the window up to date. Returns
  // false when the zip must stop (see Stopped).
  bool NextFile(const std::string& shownName, uint64_t size);

  // True once the user pressed Cancel or closed the window, the composition
  // window went, the plug-in is being unloaded, the session ends, or the
  // window failed during a file (memory ran out): the add in progress was
  // then stopped at its next read.
  bool Stopped() const { return stop_ != NotStopped; }
  // What a stopped zip says: nothing when the composition window went
  // (there is nothing left to attach to, nor to own a message), nor when
  // the plug-in is unloaded or the session ends; "Error creating zip
  // archive." when the window failed, otherwise "Creation of zip archive
  // cancelled.".
  const char* StopMessage() const;

  // Takes the window away and gives the archive its read report back;
  // called before the zip is closed and anything else is shown.
  void Close();

 private:
  static bool OnRead(void* context, uint32_t bytesRead) noexcept;
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Deletes the output's temporary file while it is still open (at the end
  // of the session); it is gone once the process's handles close.
  void RemoveTemporaryNow() noexcept;
  void MakeWindow();
  // Dispatches the messages waiting for the mail client and for the
  // window; notes a Cancel and a closed composition window.
  void Pump();
  void ShowIfDue();
  void ShowFile();
  void UpdateBar(uint32_t bytesReadOfFile);
  // Notes `cause` unless one that overrides it was noted before.
  void Stop(ProgressStop cause);

  CommandOutput* output_;  // null once closed
  HWND owner_;
  HWND window_ = nullptr;  // made hidden at the start, shown once due
  bool shown_ = false;
  WaitCursor cursor_;
  DWORD started_;
  DWORD lastPump_;
  size_t fileCount_;
  size_t fileNumber_ = 0;  // from 1, the file being added
  uint64_t totalBytes_;
  uint64_t bytesBefore_ = 0;  // of the files before the one being added
  uint64_t fileSize_ = 0;
  int shownStep_ = -1;
  DWORD barMoved_ = 0;
  ProgressStop stop_ = NotStopped;
  std::wstring fileName_;
};
