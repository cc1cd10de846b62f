// The small pieces that adapt the system's common dialogs for the commands:
// the size of the file dialog record, the hook that switches open and save
// dialogs to the details view, and the folder browser's callback.
#pragma once

#include <windows.h>

// The record size for OPENFILENAMEW: the full record on Windows 2000 and XP
// (NT 5), the record without its trailing fields everywhere else.
DWORD DialogRecordSize();

// Explorer-style hooks of the wide dialogs, one for the open dialog and one
// for the save dialog:
// at the first folder change after the dialog's initialisation they switch
// its file list to the details view, once, leaving later choices to the user.
// When the open dialog's record has an lCustData, it is the number of
// characters its file buffer really holds (more than nMaxFile): the open
// hook then ends the dialog as cancelled, instead of opening, when the
// folder and the chosen names could not fit that room.
UINT_PTR CALLBACK DetailsViewHookOpen(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR CALLBACK DetailsViewHookSave(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// What the folder browser opens on, and what the user leaves its "Include
// subfolders" box at.
struct FolderBrowserChoice {
  const wchar_t* initialFolder;  // NUL-terminated, may be empty
  bool includeSubfolders;        // ticked at the start; as the user left it at the end
};

// The folder browser's callback, for the wide browser. `data` points to a
// FolderBrowserChoice that outlives the browser. It enlarges the browser and
// its tree, adds the "Include subfolders" box left of OK with the title that
// goes with its state, and keeps the status text on the selected folder's
// path.
int CALLBACK FolderBrowserCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);

// How much larger the folder browser is made than the system draws it.
constexpr int kBrowserExtraWidth = 150;
constexpr int kBrowserExtraHeight = 200;
