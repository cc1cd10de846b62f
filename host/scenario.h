// Scenarios for the development host: a file of steps that a second thread
// plays against the host's window and the dialogs the plug-in shows. The
// steps, as a reader of a scenario needs them (the code goes by the one table
// kStepKinds in scenario.cc):
//
//   # a comment
//   timeout 15                                   seconds each later step may wait
//   menu-item 14 "Zip and Attach F&ile(s)..."    the first drop-down's item at a position
//   choose "Zip and Attach F&ile(s)..."          menu entry of the first drop-down
//   open-file "Title" "C:\path\a.txt"            answer an open dialog
//   save-file "Title" "C:\path\out.zip"          answer a save dialog
//   file-name "Title" "a.txt.zip"                the file name a dialog proposes
//   filter "Title" 1                             choose a file dialog's type filter (from 1)
//   filter-is "Title" 5                          the type filter a file dialog shows
//   cancel "Title"                               cancel a dialog
//   confirm "Caption" yes                        press a message box's button, any text
//   browse-folder "Title" "C:\path"              pick any folder in the folder browser
//   check-box "Title" "Label" on                 a dialog's check box must be there: click
//                                                it until it shows on (or off)
//   message "Caption" information ok "Text"      check a message box and press a button;
//   + "second line"                              a text goes on, after a line feed, on
//                                                lines that start with +
//                                                (icons: information, question, warning,
//                                                error; buttons: ok, cancel, yes, no)
//   attached "C:\path\out.zip"                   the next attachment must be this file, to message 1
//   attached-to 2 "C:\path\out.zip"              the next attachment must be this file, to message 2
//   no-more-attachments                          nothing else was attached
//   set-environment NAME "value"                 set a variable of the host's process
//   delete-file "C:\path\a.txt"                 delete a file (one that goes while the plug-in works)
//   no-dialog "Title" 2                          no dialog of that title shows within 2 seconds
//   read-message "Caption" ok                    print a message box's text ("message: ..."),
//                                                press a button, whatever it says
//   open-menu "Zip and Attach F&older..."        open the first drop-down with the keyboard,
//                                                highlight that entry (picture), close it
//   picture "name"                               a picture of the screen as it stands
//   dialog-shows "Title" "File 1 of 2"           a dialog of that title comes to show the text
//                                                in one of its controls
//   dialog-gone "Title"                          wait until no dialog of that title shows
//   responsive 2                                 the window's thread answers a message sent
//                                                to message 1 within 2 seconds
//   close-window                                 close message 1, as its user does, and wait
//                                                until it is gone
//   open-message                                 open another composition window, as the mail
//                                                client does for a new message: it calls
//                                                OVC_OnOpenCompose for it and OVC_OnMenuInit
//                                                for its menu (in a frame, the messages share
//                                                the frame's menu, initialised once)
//   close-message 2                              close message 2, as its user does, and wait
//                                                until it is gone
//   free-library                                 the host drops the plug-in: FreeLibrary, from
//                                                the handler of a message posted to its window
//   unload-plugin                                the same after calling OVC_OnExit
//   end-session                                  log-off: WM_QUERYENDSESSION, then WM_ENDSESSION
//                                                (TRUE), to every top-level window of the
//                                                window's thread, hidden ones too; then the host
//                                                prints what was attached and ends at once with
//                                                exit code 0, or 1 when a window did not answer
//                                                within the timeout (the last step played)
//
// Messages (composition windows) are numbered from 1 in the order they
// opened. Message 1 is the window the host opens at its start: the menu
// steps use its menu (with --frame, the frame's), responsive and close-window
// work on it. Closing a message does not end the host while another is open,
// nor, with --frame, while the frame is; the end of the scenario closes them
// all. After free-library or unload-plugin the host calls the plug-in no
// more: its menu entries start nothing.
//
// A scenario also fails when a dialog is still open after its last step:
// the host would otherwise end under a message the plug-in is showing.

// Arguments are words, or texts in double or single quotes (no escapes: a
// text with double quotes goes in single quotes); backslashes are taken as
// they stand. The file is UTF-8 (a byte order mark at its start is passed
// over), and so is every text of a step: the player hands texts to windows
// and reads them back through the wide functions, so names that the ANSI
// code page lacks (Ω, 日本語, full-width letters) stay what they are.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ScenarioStep {
  int line;
  std::string keyword;
  std::vector<std::string> arguments;
};

// Reads a scenario from its UTF-8 text. Returns false with a message naming the line when a step
// is unknown or has the wrong number of arguments.
bool ParseScenario(const std::string& text, std::vector<ScenarioStep>* steps, std::string* error);

// Plays the steps against `composeWindow` (message 1, a top-level window or
// the child of a frame whose menu bar holds its menu) on the calling thread
// (not the window's). Returns false at the first step that does not meet its
// expectation, with what appeared instead in *error; every wait times out.
// With `screenshotFolder`, the whole screen is saved there as a numbered BMP
// picture at each dialog met, before it is answered, at each open-menu and
// at each picture step. Before a picture the player sends the compose window
// kPaintNowMessage: its thread, the one that owns the dialogs and menus,
// then brings what it shows up to date (its attachment list too) and paints
// every window it has before the message returns; the picture is taken once
// the screen holds still after that.
constexpr UINT kPaintNowMessage = WM_APP + 1;
// What the player asks of the window's thread, through a window of the host
// (message 1 while it is open): open another message, returning its number
// (sent); drop the plug-in with FreeLibrary, or with OVC_OnExit and then
// FreeLibrary (posted, so that the host drops it from a handler of its own,
// as a mail client would).
constexpr UINT kOpenComposeMessage = WM_APP + 2;
constexpr UINT kFreeLibraryMessage = WM_APP + 3;
constexpr UINT kUnloadPluginMessage = WM_APP + 4;
bool PlayScenario(const std::vector<ScenarioStep>& steps, HWND composeWindow, const std::string& screenshotFolder,
                  std::string* error);
