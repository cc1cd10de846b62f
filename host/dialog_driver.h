// Driving the system's dialogs from a second thread, for the development
// host's scenarios and for tests: find a dialog by title, look at its
// children, answer it. Every wait ends after a timeout. Texts, titles and
// paths are UTF-8 here; the wide functions carry them to and from windows.
#pragma once

#include <windows.h>

#include <string>

// A visible top-level dialog (class "#32770") of this process with this
// title, waiting up to `timeoutMs` for it to appear; null when none did.
// Other programs' dialogs of the same title are passed over.
HWND WaitForDialog(const char* title, DWORD timeoutMs = 10000);

// Waits until `condition` holds or `timeoutMs` passes; returns whether it held.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 10000) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

// The first direct child of `parent` of `className` (and `text`, if given).
HWND Child(HWND parent, const char* className, const char* text = nullptr);

std::string WindowText(HWND window);

// The file-name field of an explorer-style open or save dialog: a combo box
// (id 0x47C) in plain dialogs, an edit field (id 0x480) in hooked ones.
HWND FileNameField(HWND dialog);

// A window's rectangle on the screen.
RECT ScreenRect(HWND window);

// Titles of the dialogs of this process that are showing, for reports of
// what appeared instead of what was expected.
std::string VisibleDialogTitles();

// Runs `body` on a second thread, which drives the dialogs that the calling
// thread shows; FinishDriver waits for it to end.
HANDLE StartDriver(LPTHREAD_START_ROUTINE body, void* context);
bool FinishDriver(HANDLE driver, DWORD timeoutMs = 30000);
